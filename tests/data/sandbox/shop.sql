-- A small database for the sandbox's own tests: two schemas, a view, awkward names.
CREATE TABLE Orders (Id int NOT NULL PRIMARY KEY, Customer nvarchar(40), Total decimal(10,2));
INSERT INTO Orders VALUES (1, 'Anna', 10.50), (2, 'Bert', NULL), (3, 'Cleo', 7.25);
CREATE TABLE "Order Details" (Id int, "Order Id" int);
INSERT INTO "Order Details" VALUES (1, 1);
CREATE TABLE "sales.Customers" (Id int, Name nvarchar(40));
INSERT INTO "sales.Customers" VALUES (10, 'Sales Anna');
CREATE TABLE Customers (Id int, Name nvarchar(40));
INSERT INTO Customers VALUES (1, 'Dbo Anna');
CREATE TABLE "sales.Odd]Name" (Id int, "Last Name" nvarchar(40));
INSERT INTO "sales.Odd]Name" VALUES (1, 'Smith');
CREATE VIEW "Big Orders" AS SELECT Id, Total, Total * 2 AS Doubled, 'x' || Customer AS Tagged FROM Orders WHERE Total > 8;
CREATE TABLE sysdiagrams (Id int);
CREATE TABLE Numbers (N int NOT NULL, Label varchar(20));
WITH RECURSIVE n(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM n WHERE x < 5000)
INSERT INTO Numbers SELECT x, 'row ' || x FROM n;
CREATE INDEX OrdersByCustomer ON Orders (Customer);
