-- One column of every supported type; row 1 holds values, row 2 NULLs. Decimal values keep
-- at most 15 significant digits: SQLite stores them as numbers.
CREATE TABLE AllTypes (
    Id int NOT NULL,
    c_tinyint tinyint, c_smallint smallint, c_int int, c_bigint bigint, c_bit bit,
    c_decimal decimal(10,2), c_numeric numeric(20,5), c_decimal_wide decimal(38,10), c_decimal_half decimal(12,2), c_money money, c_smallmoney smallmoney,
    c_float float, c_real real,
    c_char char(6), c_nchar nchar(4), c_varchar varchar(20), c_nvarchar nvarchar(20),
    c_varcharmax 'varchar(max)', c_nvarcharmax 'nvarchar(max)',
    c_date date, c_time time, c_datetime datetime, c_datetime2 datetime2, c_smalldatetime smalldatetime,
    c_guid uniqueidentifier, c_binary binary(4), c_varbinary varbinary(10), c_varbinarymax 'varbinary(max)',
    c_text text, c_ntext ntext, c_image image, c_xml xml
);
INSERT INTO AllTypes VALUES (1,
    200, -32000, -2000000000, 9000000000000000000, 1,
    '-12345678.91', '1234567890.12345', 99999999.99, 0.145, '-123456789.1234', '214748.3647',
    1.5, 0.25,
    'ab', 'é€', 'Größe €', 'Ω日本 ü',
    'long ' || printf('%.*c', 5000, 'x'), 'wide Ω ' || printf('%.*c', 5000, 'y'),
    '2024-02-29', '13:45:30.1234567', '2024-02-29 13:45:30.997', '2024-02-29 13:45:30.1234567', '2024-02-29 13:45:29',
    '6F9619FF-8B86-D011-B42D-00C04FC964FF', x'01020304', x'ABCDEF', x'00FF',
    'text ' || printf('%.*c', 5000, 't'), 'ntext Ω ' || printf('%.*c', 5000, 'n'), x'BEEF',
    '<a>' || printf('%.*c', 5000, 'z') || '</a>'),
    (2, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL,
     NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL);
