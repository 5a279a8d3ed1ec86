-- The local database write.dll as it ships: four tables and the one global row. Rows of
-- mainpageinfo and keyword are inserted by position, so their columns keep this order.
PRAGMA user_version = 1;

CREATE TABLE users (
  username TEXT NOT NULL UNIQUE,
  password TEXT
);

CREATE TABLE globalconfig (
  ID INTEGER PRIMARY KEY,
  version TEXT,
  MainInfoTime TEXT,
  KeyWordMaxID TEXT
);

CREATE TABLE mainpageinfo (
  ID INTEGER,
  SourceName TEXT,
  SourceClass TEXT,
  SourceType TEXT,
  SourceContent TEXT
);

CREATE TABLE keyword (
  id INTEGER,
  keyword TEXT
);

INSERT INTO globalconfig (ID, version, MainInfoTime, KeyWordMaxID) VALUES (1, '1.0.0', '', '0');
