#pragma once

// Every statement of the program. Each text lives here once; the gadgets
// name them instead of repeating them.
namespace sql {

// ---- settings: one row; every UPDATE changes every row -------------------

inline constexpr char kSelectSettingsPage[] =
    "select DigitalClock_Width, DigitalClock_Height, DigitalClockWidget_StaysOnTop, "
    "ToDoList_StaysOnTop, ToDoList_DefaultSectionSize,ToDoList_Skin_Sticker, ToDoGoToCurrentDay, "
    "OrvoChatPort, DigitalClock_Skin, FileToRun, DigitalClock_Opacity from settings";
inline constexpr char kSelectFileToRun[] = "select FileToRun from settings";
inline constexpr char kSelectClock[] =
    "select DigitalClock_Width, DigitalClock_Height, DigitalClockWidget_StaysOnTop, ToDoList_Font, "
    "ToDoList_TextColor, Clock_TextColor, DigitalClock_Opacity from settings";
inline constexpr char kSelectClockPos[] = "select DigitalClock_Pos_x, DigitalClock_Pos_y from settings";
inline constexpr char kSelectCalendar[] =
    "select Calendar_Pos_x, Calendar_Pos_y, Calendar_Width, Calendar_Height, View_month from settings";
inline constexpr char kSelectSticker[] =
    "select ToDoList_Pos_x, ToDoList_Pos_y, ToDoList_Width, ToDoList_Height, ToDoList_StaysOnTop, "
    "ToDoList_Font, ToDoList_DefaultSectionSize, ToDoList_TextColor, ToDoGoToCurrentDay from settings";

inline constexpr char kUpdateClockSize[] =
    "UPDATE settings SET DigitalClock_Width = :DigitalClock_Width, DigitalClock_Height = :DigitalClock_Height";
inline constexpr char kUpdateClockOnTop[] =
    "UPDATE settings SET DigitalClockWidget_StaysOnTop = :do_StaysOnTop";
inline constexpr char kUpdateStickerOnTop[] = "UPDATE settings SET ToDoList_StaysOnTop = :do_StaysOnTop";
inline constexpr char kUpdateSectionSize[] =
    "UPDATE settings SET ToDoList_DefaultSectionSize = :SectionSize";
inline constexpr char kUpdateGoToCurrentDay[] = "UPDATE settings SET ToDoGoToCurrentDay = :do_goto";
inline constexpr char kUpdateStickerTextColor[] = "UPDATE settings SET ToDoList_TextColor = :TextColor";
inline constexpr char kUpdateClockTextColor[] = "UPDATE settings SET Clock_TextColor = :TextColor";
inline constexpr char kUpdateStickerFont[] = "UPDATE settings SET ToDoList_Font = :ToDoList_Font";
inline constexpr char kUpdateClockOpacity[] =
    "UPDATE settings SET DigitalClock_Opacity = :DigitalClock_Opacity";
inline constexpr char kUpdateClockSkin[] = "UPDATE settings SET DigitalClock_Skin = :idx";
inline constexpr char kUpdateClockPos[] =
    "UPDATE settings SET DigitalClock_Pos_x = :pos_x, DigitalClock_Pos_y = :pos_y";
inline constexpr char kUpdateCalendar[] =
    "UPDATE settings SET Calendar_Pos_x = :pos_x, Calendar_Pos_y = :pos_y, Calendar_Width = :Calendar_Width, "
    "Calendar_Height = :Calendar_Height, View_month = :View_month";
inline constexpr char kUpdateStickerSize[] =
    "UPDATE settings SET ToDoList_Width = :ToDoList_Width, ToDoList_Height = :ToDoList_Height";
inline constexpr char kUpdateStickerPos[] =
    "UPDATE settings SET ToDoList_Pos_x = :pos_x, ToDoList_Pos_y = :pos_y";
inline constexpr char kUpdateStickerSkin[] = "UPDATE settings SET ToDoList_Skin_Sticker = :idx";
inline constexpr char kUpdateChatPort[] = "UPDATE settings SET OrvoChatPort = :port";
inline constexpr char kUpdateFileToRun[] = "UPDATE settings SET FileToRun = :FileToRun";


// ---- to_do_list ------------------------------------------------------------
inline constexpr char kSelectTasks[] = "select text, done, ID from to_do_list where day = :day_number";
inline constexpr char kInsertTask[] = "INSERT INTO to_do_list (day, text, done) VALUES (?,?,?)";
inline constexpr char kDeleteTask[] = "DELETE FROM to_do_list WHERE ID = :myid";
inline constexpr char kUpdateTaskDone[] = "UPDATE to_do_list SET done = :status WHERE ID = :myid";
inline constexpr char kUpdateTaskText[] = "UPDATE to_do_list SET text = :text WHERE ID = :myid";

// ---- notes: one row per note; NOTEDATE is "yyyy-MM-dd" text ----------------
inline constexpr char kSelectNoteDatesBetween[] =
    "SELECT notes.NOTEDATE, COUNT(notes.ID) AS count_notes FROM notes "
    "WHERE notes.NOTEDATE BETWEEN :noteDateBegin AND :noteDateEnd GROUP BY notes.NOTEDATE";
inline constexpr char kSelectNoteTexts[] = "select NOTETEXT, ID from notes where NOTEDATE = :date";
inline constexpr char kInsertNote[] = "INSERT INTO notes (NOTETEXT, NOTEDATE, NOTETIME) VALUES (?,?,?)";
inline constexpr char kUpdateNote[] =
    "UPDATE notes SET NOTETEXT = :NOTETEXT, NOTEDATE = :NOTEDATE, NOTETIME = :NOTETIME WHERE ID = :myid";
inline constexpr char kDeleteNote[] = "DELETE FROM notes WHERE ID = :myid";

// ---- attachments -----------------------------------------------------------
inline constexpr char kSelectAttachments[] = "select ID, filename from attachments where ID_TODO = :idx";
inline constexpr char kInsertAttachment[] =
    "INSERT INTO attachments (filename, attach, ID_TODO, link) VALUES (?,?,?,?)";
inline constexpr char kSelectAttachment[] = "select attach, filename, link from attachments where ID = :idx";
inline constexpr char kDeleteAttachment[] = "DELETE FROM attachments WHERE ID = :myid";

}  // namespace sql
