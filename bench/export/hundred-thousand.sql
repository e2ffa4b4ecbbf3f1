-- The Million table's layout and values with the first 100,000 rows only: the export's
-- memory must not grow with the row count.
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
WITH RECURSIVE n(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM n WHERE x < 100000)
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
