-- The core tests' database. Declared types are SQL Server types; a table in another schema
-- is named "schema.name".

CREATE TABLE People (Id int, Name nvarchar(50));
INSERT INTO People VALUES (1, 'Anna'), (2, NULL);

CREATE TABLE Empty (Id int, Name nvarchar(50));

CREATE TABLE Mixed (
    Id int, Price decimal(10,2), Whole decimal(10,2), Neg decimal(10,2), Cash money,
    Ratio float, Small real, Flag bit, Off bit, Born date, Stamp datetime2, Midnight datetime,
    Frac datetime2, Clock time, Code char(10), Guid uniqueidentifier, Bytes varbinary(10),
    Big bigint, Tiny tinyint);
INSERT INTO Mixed VALUES (
    7, 3.50, 12.00, -0.25, 1234.5,
    0.1, 2.5, 1, 0, '2024-01-02', '2024-01-02 15:04:05', '2024-01-02 00:00:00',
    '2024-01-02 15:04:05.25', '08:09:10', 'abc', '6F9619FF-8B86-D011-B42D-00C04FC964FF', x'00FF10',
    -9223372036854775808, 255);
INSERT INTO Mixed (Id) VALUES (8);

CREATE TABLE Texts (Id int, Body nvarchar(100));
INSERT INTO Texts VALUES (1, 'a,b'), (2, 'line1' || char(13) || char(10) || 'line2'),
    (3, 'Grüße € 中 ' || char(128512) || ' ok'), (4, '');

-- What breaks a delimited file: the separator, a quote, CR, LF; an empty string beside NULL.
CREATE TABLE Awkward (Id int, Body nvarchar(50));
INSERT INTO Awkward VALUES (1, 'a,b'), (2, 'say "hi"'), (3, 'cr' || char(13) || 'x'), (4, 'lf' || char(10) || 'y'),
    (5, ''), (6, NULL), (7, 'Grüße € 中 ' || char(128512)), (8, 'more than sixteen bytes, "quoted" late');
-- The same values as long text, read in parts rather than bound.
CREATE TABLE AwkwardLong (Id int, Body ntext);
INSERT INTO AwkwardLong SELECT Id, Body FROM Awkward;

-- Values that end in the start of a longer separator; a name that holds a comma.
CREATE TABLE Pipes (Id int, A nvarchar(5), "B,c" nvarchar(5));
INSERT INTO Pipes VALUES (1, 'x|', 'y'), (2, 'x', '|y');

CREATE TABLE Long (Id int, Body ntext, Data image);
INSERT INTO Long VALUES (1, replace(hex(zeroblob(50000)), '00', 'xy'), zeroblob(40000)),
    (2, NULL, NULL), (3, 'short', x'CAFE');
-- A surrogate pair on either side of the end of the driver's first part (32,766 characters).
WITH RECURSIVE n(i) AS (SELECT 32764 UNION ALL SELECT i + 1 FROM n WHERE i < 32767)
INSERT INTO Long SELECT i - 32760, printf('%.*c', i, 'a') || char(128512), NULL FROM n;

-- Values of a megabyte and more in every large type: a server cuts them unless the session lifts TEXTSIZE.
CREATE TABLE Huge (A 'varchar(max)', N 'nvarchar(max)', B 'varbinary(max)', T text, NT ntext, I image);
INSERT INTO Huge SELECT v, v || 'Ω', b, v || '!', v || '€', b FROM
    (SELECT replace(hex(zeroblob(524288)), '00', 'ab') || 'end' AS v, CAST(zeroblob(1048576) || x'CAFE' AS BLOB) AS b);

CREATE TABLE Many (Id int, Name varchar(20));
WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 5000)
INSERT INTO Many SELECT i, 'row' || i FROM n;

-- Catalogue: names holding "sys" in any case are not listed (ANALYSIS holds no "SYS" and is).
CREATE TABLE ANALYSIS (Id int);
CREATE TABLE sysdiagrams (Id int);
CREATE TABLE MySystemLog (Id int);
CREATE TABLE Sys_Users (Id int);
CREATE VIEW PeopleView AS SELECT Id, Name FROM People;

-- The same name in two schemas.
CREATE TABLE Orders (Id int, Place nvarchar(20));
INSERT INTO Orders VALUES (1, 'home');
CREATE TABLE "sales.Orders" (Id int, Place nvarchar(20));
INSERT INTO "sales.Orders" VALUES (2, 'shop');

-- "]" inside names.
CREATE TABLE "Odd]Name" ("Col]umn" int, Plain nvarchar(10));
INSERT INTO "Odd]Name" VALUES (1, 'x');
CREATE TABLE "we]ird.T]1" (Id int);
INSERT INTO "we]ird.T]1" VALUES (5);

-- A quote and a "]" in one name; a primary key (SQL Server's clustered index) and a further
-- index, which holds the rows a second time.
CREATE TABLE "It's]Keyed" (Id int PRIMARY KEY, Name nvarchar(20));
CREATE INDEX KeyedByName ON "It's]Keyed" (Name);
INSERT INTO "It's]Keyed" VALUES (1, 'a'), (2, 'b'), (3, 'c');
