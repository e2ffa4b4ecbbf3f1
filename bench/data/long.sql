-- The "Long" database: 20,000 rows whose nvarchar(max) value is 5,000 characters (10,000
-- bytes on the wire), for the export of long values, read in parts rather than bound.
CREATE TABLE Long (
    Id   int NOT NULL PRIMARY KEY,
    Body 'nvarchar(max)'
);
WITH RECURSIVE n(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM n WHERE x < 20000)
INSERT INTO Long
SELECT x, substr('Row ' || x || ' ' || printf('%.*c', 5000, char(97 + x % 26)), 1, 5000)
FROM n;
-- The first 2,000 and 4,000 rows: the instructions a row costs are the difference between the two.
CREATE VIEW TwoThousand AS SELECT * FROM Long WHERE Id <= 2000;
CREATE VIEW FourThousand AS SELECT * FROM Long WHERE Id <= 4000;
