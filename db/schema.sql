-- orvo.db as installed. The program never creates a table; this file does,
-- once, when no database exists yet.

-- Must precede the first table: auto_vacuum can only be chosen on an empty file.
PRAGMA auto_vacuum = 1;

CREATE TABLE settings (
    DigitalClock_Width            INTEGER,
    DigitalClock_Height           INTEGER,
    DigitalClockWidget_StaysOnTop INTEGER,
    ToDoList_StaysOnTop           INTEGER,
    ToDoList_DefaultSectionSize   INTEGER,
    ToDoList_Skin_Sticker         INTEGER,
    ToDoGoToCurrentDay            INTEGER,
    OrvoChatPort                  INTEGER,
    DigitalClock_Skin             INTEGER,
    FileToRun                     TEXT,
    DigitalClock_Opacity          REAL,
    ToDoList_Font                 TEXT,
    ToDoList_TextColor            TEXT,
    Clock_TextColor               TEXT,
    DigitalClock_Pos_x            INTEGER,
    DigitalClock_Pos_y            INTEGER,
    Calendar_Pos_x                INTEGER,
    Calendar_Pos_y                INTEGER,
    Calendar_Width                INTEGER,
    Calendar_Height               INTEGER,
    View_month                    INTEGER,
    ToDoList_Pos_x                INTEGER,
    ToDoList_Pos_y                INTEGER,
    ToDoList_Width                INTEGER,
    ToDoList_Height               INTEGER
);

-- The first start: a wide clock near the top-left corner on the dark skin,
-- the yellow sticker to its right, the calendar beyond the sticker, none
-- covering another on a 1280 x 800 screen; the chat on port 7755.
INSERT INTO settings (
    DigitalClock_Width, DigitalClock_Height, DigitalClockWidget_StaysOnTop,
    ToDoList_StaysOnTop, ToDoList_DefaultSectionSize, ToDoList_Skin_Sticker,
    ToDoGoToCurrentDay, OrvoChatPort, DigitalClock_Skin, FileToRun,
    DigitalClock_Opacity, ToDoList_Font, ToDoList_TextColor, Clock_TextColor,
    DigitalClock_Pos_x, DigitalClock_Pos_y,
    Calendar_Pos_x, Calendar_Pos_y, Calendar_Width, Calendar_Height, View_month,
    ToDoList_Pos_x, ToDoList_Pos_y, ToDoList_Width, ToDoList_Height
) VALUES (
    420, 84, 0,
    0, 30, 1,
    2, 7755, 0, '',
    1.0, 'DejaVu Sans,10,-1,5,50,0,0,0,0,0', '#202020', '#e8f4ff',
    20, 20,
    800, 20, 402, 330, 1,
    460, 20, 314, 372
);

CREATE TABLE notes (
    ID       INTEGER PRIMARY KEY AUTOINCREMENT,
    NOTETEXT TEXT,
    NOTEDATE TEXT,
    NOTETIME TEXT
);
CREATE INDEX notes_by_date ON notes (NOTEDATE);

-- AUTOINCREMENT keeps IDs rising, so a new task is always returned last.
CREATE TABLE to_do_list (
    ID   INTEGER PRIMARY KEY AUTOINCREMENT,
    day  INTEGER NOT NULL,
    text TEXT,
    done INTEGER NOT NULL DEFAULT 0
);
CREATE INDEX to_do_list_by_day ON to_do_list (day);

-- Deleting a task takes its attachments with it (they may be up to 50 MB
-- each and nothing else could ever reach them again).
CREATE TABLE attachments (
    ID       INTEGER PRIMARY KEY AUTOINCREMENT,
    filename TEXT,
    attach   BLOB,
    ID_TODO  INTEGER REFERENCES to_do_list (ID) ON DELETE CASCADE,
    link     INTEGER NOT NULL DEFAULT 0
);
CREATE INDEX attachments_by_task ON attachments (ID_TODO);
