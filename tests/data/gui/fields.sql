-- The Field chooser and Export window tests' database. Declared types are SQL Server types.

CREATE TABLE Customers (Id int, Name nvarchar(50), City nvarchar(50));
INSERT INTO Customers VALUES (1, 'Alder Ltd', 'Bristol'), (2, 'Brightwater', NULL);

CREATE TABLE People (Id int, Name nvarchar(50));
INSERT INTO People VALUES (1, 'Anna'), (2, NULL);

CREATE TABLE Empty (Id int, Name nvarchar(50));

-- Values that break a delimited file's lines.
CREATE TABLE Notes (Id int, Notes nvarchar(50));
INSERT INTO Notes VALUES (1, 'a,b'), (2, 'line' || char(10) || 'two');

-- Names that a column list has to bracket.
CREATE TABLE Staff (Id int, "Last Name" nvarchar(50), "Odd]Col" int);
INSERT INTO Staff VALUES (1, 'Lovelace', 7);

-- More rows than the preview shows, and enough to make a slowed-down export take a while.
CREATE TABLE Many (Id int, Name varchar(20));
WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 3000)
INSERT INTO Many SELECT i, 'row' || i FROM n;
