-- The figure library: figures, their groups, their points and their labels.
-- Declared types say how values travel as text: TEXT as typed, INTEGER and REAL as numbers,
-- BOOLEAN as True/False. Figure numbers compare without regard to case.
-- Made from the table description in src/library/Schema.cpp; a test checks that they agree.

CREATE TABLE picMain (
    th          TEXT    NOT NULL COLLATE NOCASE UNIQUE,
    tm          TEXT    NOT NULL,
    figName     TEXT    NOT NULL,
    grp         INTEGER NOT NULL,
    LB          TEXT    NOT NULL,
    X1          REAL,
    X2          REAL,
    X3          REAL,
    X4          REAL,
    X5          REAL,
    X6          BOOLEAN,
    X7          INTEGER,
    Y1          REAL,
    Y2          REAL,
    Y3          REAL,
    Y4          REAL,
    Y5          REAL,
    Y6          BOOLEAN,
    Y7          INTEGER,
    border      BOOLEAN,
    specialCase INTEGER,
    Comment     TEXT,
    Vector      BOOLEAN NOT NULL DEFAULT 0,
    Bitmap      BOOLEAN NOT NULL DEFAULT 0
);
CREATE INDEX picMainKind ON picMain (LB, figName);

CREATE TABLE picType (
    grp     INTEGER NOT NULL UNIQUE,
    grpName TEXT
);

CREATE TABLE pData (
    th     TEXT    NOT NULL COLLATE NOCASE,
    ID     INTEGER NOT NULL,
    Series INTEGER,
    curve  BOOLEAN,
    X      REAL,
    Y      REAL,
    L      INTEGER
);
CREATE INDEX pDataFigure ON pData (th, ID);

CREATE TABLE picLable (
    th  TEXT NOT NULL COLLATE NOCASE,
    ID  REAL NOT NULL,
    X   REAL,
    Y   REAL,
    Lbl TEXT
);
CREATE INDEX picLableFigure ON picLable (th, ID);

-- How samples go on a figure (Taprell 3 and later; an older library gains these tables when a
-- newer Taprell first writes it): the axis expressions and titles of a figure, and the user's
-- corrections of the fields found in its drawing (kind 0: a point in a field and its name;
-- kind 1: a line end to extend to the frame).
CREATE TABLE picAxis (
    th        TEXT NOT NULL COLLATE NOCASE UNIQUE,
    xExpr     TEXT,
    yExpr     TEXT,
    leftExpr  TEXT,
    topExpr   TEXT,
    rightExpr TEXT,
    xTitle    TEXT,
    yTitle    TEXT
);

CREATE TABLE picField (
    th   TEXT    NOT NULL COLLATE NOCASE,
    ID   INTEGER NOT NULL,
    kind INTEGER NOT NULL,
    X    REAL    NOT NULL,
    Y    REAL    NOT NULL,
    name TEXT
);
CREATE INDEX picFieldFigure ON picField (th, ID);

-- The version of the table description, which a newer Taprell upgrades and an older one refuses.
PRAGMA user_version = 3;
