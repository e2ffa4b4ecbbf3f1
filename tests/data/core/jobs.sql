-- The job tests' database: tables that grow between runs, by a rising integer, date and time,
-- and binary(8) as a rowversion is to the driver.
CREATE TABLE Events (Id int, At datetime2, Version binary(8), Name nvarchar(20), Note nvarchar(20), Made datetime);
INSERT INTO Events VALUES (1, '2024-01-02 10:00:00.0000000', x'00000000000007D1', 'one', 'a', '2024-01-02 10:00:00.993'),
    (2, '2024-01-02 11:30:00.1234567', x'00000000000007D2', 'two', 'b', '2024-01-02 10:00:00.997');
-- A second table, in a second schema, for jobs of several tables.
CREATE TABLE "sales.Places" (Id int, Name nvarchar(20));
INSERT INTO "sales.Places" VALUES (1, 'home'), (2, 'shop'), (3, 'depot');
