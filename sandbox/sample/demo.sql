-- The "Demo" database of velloxa-sandbox (see ../README.md for the conventions):
-- declared types are SQL Server types; (max) is written 'varchar(max)' because SQLite's grammar
-- has no (max); a table of schema sales is the SQLite table "sales.<name>".

CREATE TABLE Customers (
    CustomerId   int NOT NULL PRIMARY KEY,
    Name         nvarchar(100) NOT NULL,
    City         nvarchar(50),
    Country      char(2),
    Email        varchar(100),
    CreditLimit  money,
    IsActive     bit,
    Joined       date,
    RowGuid      uniqueidentifier,
    Notes        'nvarchar(max)'
);
INSERT INTO Customers VALUES
 (1, 'Anna Müller', 'Zürich', 'CH', 'anna@example.ch', 15000.00, 1, '2019-03-14', '6F9619FF-8B86-D011-B42D-00C04FC964FF', 'Prefers e-mail'),
 (2, 'Café "Le Petit", SARL', 'Lyon', 'FR', 'contact@lepetit.fr', 2500.50, 1, '2020-11-02', 'A0EEBC99-9C0B-4EF8-BB6D-6BB9BD380A11', 'Pays in €; asks for "proper" invoices'),
 (3, 'Østergaard & Sønner', 'Århus', 'DK', NULL, NULL, 0, '2018-07-30', NULL, 'Line one
Line two'),
 (4, '日本商事株式会社', '東京', 'JP', 'info@nihon-shoji.jp', 1000000.00, 1, '2021-01-05', '00000000-0000-0000-0000-000000000001', NULL),
 (5, 'Ωmega Systems, Inc.', 'Athens', 'GR', 'sales@omega.gr', 7500.25, NULL, NULL, NULL, 'Comma, "quotes" and ü'),
 (6, 'Plain Customer', NULL, NULL, NULL, 0, 1, '2022-06-01', NULL, '');

CREATE TABLE Products (
    ProductId    int NOT NULL PRIMARY KEY,
    Name         nvarchar(80) NOT NULL,
    Sku          char(10),
    Price        smallmoney,
    Weight       real,
    Rating       float,
    Discontinued bit,
    Thumbnail    binary(4),
    Picture      'varbinary(max)'
);
INSERT INTO Products VALUES
 (1, 'Espresso Cup', 'CUP-001', 4.95, 0.25, 4.5, 0, x'CAFE0001', x'89504E470D0A1A0A'),
 (2, 'Milk Jug 0,5 l', 'JUG-05', 12.50, 0.6, 3.75, 0, x'CAFE0002', NULL),
 (3, 'Grinder "Pro"', 'GRD-PRO', 199.00, 2.8, 4.9, 1, NULL, x''),
 (4, 'Tea Set 日本', NULL, 89.90, 1.5, NULL, NULL, x'00', NULL);

CREATE TABLE Orders (
    OrderId    int NOT NULL PRIMARY KEY,
    CustomerId int,
    OrderDate  datetime,
    ShipDate   smalldatetime,
    Total      decimal(12,2),
    Status     tinyint,
    Priority   smallint,
    Reference  bigint,
    Comment    varchar(200)
);
INSERT INTO Orders VALUES
 (1001, 1, '2024-01-15 09:30:00.123', '2024-01-16 14:00', 24.75, 2, 1, 9000000000001, 'Deliver before noon'),
 (1002, 2, '2024-02-01 00:00:00', '2024-02-03 08:15', 212.50, 3, 2, 9000000000002, 'Cash, no receipt'),
 (1003, 4, '2024-02-29 23:59:59.997', NULL, 89.90, 1, NULL, NULL, NULL),
 (1004, 5, '2024-03-10 12:00:00', '2024-03-11 12:00', -5.00, 4, 5, 9000000000004, 'Refund "partial"'),
 (1005, 1, NULL, NULL, NULL, NULL, NULL, NULL, 'Open');

CREATE TABLE OrderLines (
    OrderId     int NOT NULL,
    LineNumber  smallint NOT NULL,
    ProductId   int,
    Quantity    smallint,
    UnitPrice   numeric(10,4),
    Discount    real,
    DeliveredAt datetime2(3),
    PackedAt    time(0),
    PRIMARY KEY (OrderId, LineNumber)
);
INSERT INTO OrderLines VALUES
 (1001, 1, 1, 5, 4.95, 0, '2024-01-16 13:05:22.500', '08:30:00'),
 (1002, 1, 3, 1, 199.00, 0.05, '2024-02-03 10:00:00.000', '16:45:10'),
 (1002, 2, 2, 1, 12.50, NULL, NULL, NULL),
 (1003, 1, 4, 1, 89.90, 0, NULL, '23:59:59'),
 (1004, 1, 1, -1, 4.95, 0, '2024-03-11 11:59:00.001', '00:00:00');

CREATE TABLE Employees (
    EmployeeId  int NOT NULL PRIMARY KEY,
    FirstName   nvarchar(40) NOT NULL,
    "Last Name" nvarchar(40) NOT NULL,
    Title       nchar(20),
    BirthDate   date,
    HiredAt     datetime2,
    Salary      decimal(10,2),
    ManagerId   int,
    Badge       varbinary(16)
);
INSERT INTO Employees VALUES
 (1, 'Eva', 'Novák', 'Managing Director', '1975-05-20', '2010-04-01 08:00:00.0000000', 185000.00, NULL, x'0102030405'),
 (2, 'José', 'García', 'Sales', '1988-12-01', '2015-09-15 09:00:00.1234567', 64000.50, 1, NULL),
 (3, 'Ünal', 'Yılmaz', NULL, NULL, NULL, NULL, 1, x'FF');

CREATE VIEW "Customer Orders" AS
    SELECT c.Name AS Customer, o.OrderId, o.OrderDate, o.Total, o.Comment
    FROM Customers c JOIN Orders o ON o.CustomerId = c.CustomerId;

CREATE VIEW "Product Sales" AS
    SELECT p.Name AS Product, SUM(l.Quantity) AS Units, COUNT(*) AS Lines
    FROM Products p JOIN OrderLines l ON l.ProductId = p.ProductId
    GROUP BY p.Name;

-- Names with blanks and a closing bracket.
CREATE TABLE "Order Details" (Id int NOT NULL, "Order Id" int, "Unit Price" money, Note nvarchar(50));
INSERT INTO "Order Details" VALUES (1, 1001, 4.95, 'first'), (2, 1002, 199.00, NULL);
CREATE TABLE "Odd]Name" (Id int, "Last Name" nvarchar(40));
INSERT INTO "Odd]Name" VALUES (1, 'Bracket');

-- A second schema, with a table named like one of dbo.
CREATE TABLE "sales.Customers" (CustomerId int NOT NULL, Region nvarchar(30), Target decimal(12,2));
INSERT INTO "sales.Customers" VALUES (1, 'DACH', 50000), (2, 'France', 20000.5), (4, 'Asia', NULL);
CREATE TABLE "sales.Regions" (RegionId tinyint NOT NULL, Name nvarchar(30));
INSERT INTO "sales.Regions" VALUES (1, 'DACH'), (2, 'France'), (3, 'Asia');
CREATE TABLE "sales.Odd]Name" (Id int, "Last Name" nvarchar(40));
INSERT INTO "sales.Odd]Name" VALUES (1, 'Smith'), (2, 'O''Brien');

-- User tables whose names hold "sys" in some case.
CREATE TABLE ANALYSIS (Id int, Result nvarchar(50));
INSERT INTO ANALYSIS VALUES (1, 'ok');
CREATE TABLE sysdiagrams (diagram_id int, name nvarchar(128), definition 'varbinary(max)');
CREATE TABLE MySystemLog (Id int, Message nvarchar(200), LoggedAt datetime2);
INSERT INTO MySystemLog VALUES (1, 'started', '2024-01-01 00:00:00');
CREATE TABLE Sys_Users (Id int, Login varchar(50));
INSERT INTO Sys_Users VALUES (1, 'admin');

-- 100,000 rows for long exports.
CREATE TABLE Events (
    EventId  int NOT NULL PRIMARY KEY,
    Kind     varchar(20),
    Occurred datetime2(0),
    Amount   decimal(10,2),
    Payload  nvarchar(100)
);
WITH RECURSIVE n(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM n WHERE x < 100000)
INSERT INTO Events
SELECT x,
       CASE x % 4 WHEN 0 THEN 'login' WHEN 1 THEN 'order' WHEN 2 THEN 'refund' ELSE NULL END,
       printf('2024-%02d-%02d %02d:%02d:%02d', 1 + x % 12, 1 + x % 28, x % 24, x % 60, (x * 7) % 60),
       printf('%.2f', (x * 37 % 100000) / 100.0),
       'Event ' || x || CASE WHEN x % 1000 = 0 THEN ', milestone €' ELSE '' END
FROM n;
