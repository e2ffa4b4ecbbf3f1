-- The desktop tests' database: one table of 3,000 rows, so that an export slowed down by the
-- server's row delay runs for seconds.
CREATE TABLE Readings (Id int, Sensor nvarchar(20), Reading decimal(8,2));
WITH RECURSIVE n(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM n WHERE x < 3000)
INSERT INTO Readings SELECT x, 'S-' || (x % 17), (x % 1000) / 10.0 FROM n;
