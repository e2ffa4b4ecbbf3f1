-- The "Bench" database: one table of 1,000,000 rows and 8 columns of mixed types, generated at
-- server start. Only types that every benchmark peer can print (bsqldb has no date, time or
-- datetime2).
CREATE TABLE Million (
    Id        int NOT NULL PRIMARY KEY,
    Name      nvarchar(40),
    Code      varchar(30),
    Amount    decimal(12,2),
    Ratio     float,
    CreatedAt datetime,
    Active    bit,
    Sequence  bigint
);
WITH RECURSIVE n(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM n WHERE x < 1000000)
INSERT INTO Million
SELECT x,
       'Customer ' || x,
       CASE WHEN x % 10 = 0 THEN NULL ELSE 'C-' || (x * 7919 % 100000) END,
       (x % 100000) / 100.0,
       x / 7.0,
       '2024-' || substr('0' || (1 + x % 12), -2) || '-' || substr('0' || (1 + x % 28), -2) || ' 12:34:56.123',
       x % 2,
       x * 1000003
FROM n;
-- The same rows cut to the first 100,000: the export's memory must not grow with the row count.
CREATE VIEW HundredThousand AS SELECT * FROM Million WHERE Id <= 100000;
-- Twice that: the instructions a row costs are the difference between the two, start-up apart.
CREATE VIEW TwoHundredThousand AS SELECT * FROM Million WHERE Id <= 200000;
-- Five times the rows, for the same check at 5,000,000.
CREATE VIEW FiveMillion AS
SELECT Million.* FROM Million, (SELECT 1 UNION ALL SELECT 2 UNION ALL SELECT 3 UNION ALL SELECT 4 UNION ALL SELECT 5);
