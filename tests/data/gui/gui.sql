-- The window tests' database. Declared types are SQL Server types; a table in another schema
-- is named "schema.name". Catalogue order is creation order.

CREATE TABLE Customers (Id int, Name nvarchar(50), City nvarchar(50), Since date);
INSERT INTO Customers VALUES
    (1, 'Alder Ltd', 'Bristol', '2019-03-14'),
    (2, 'Brightwater', NULL, '2020-07-01'),
    (3, 'Casa, Montes', 'Valencia', '2018-11-23');

CREATE TABLE Orders (Id int, CustomerId int, Total decimal(10,2));
INSERT INTO Orders VALUES (10, 1, 99.50), (11, 3, 12.00);

CREATE VIEW CustomerCities AS SELECT Name, City FROM Customers;

-- The same bare name in another schema: listed twice, told apart by the schema it keeps.
CREATE TABLE "sales.Orders" (Id int, Place nvarchar(20));
INSERT INTO "sales.Orders" VALUES (7, 'shop');

-- Not listed: "sys" in the name.
CREATE TABLE AuditSystem (Id int);
