// The connection, the save pattern, the read shape and the installed schema.
#include "boxanswerer.h"
#include "testdatadir.h"

#include "db/connection.h"
#include "db/database.h"
#include "db/provisioner.h"
#include "db/statements.h"

#include <QColor>
#include <QFile>
#include <QFont>
#include <QtTest>

namespace {

// Every settings statement the program can issue, with values of the bound
// types, so the installed schema is checked against all of them.
QVector<QPair<const char*, QVariantList>> allSettingsStatements()
{
    return {
        {sql::kSelectSettingsPage, {}},
        {sql::kSelectFileToRun, {}},
        {sql::kSelectClock, {}},
        {sql::kSelectClockPos, {}},
        {sql::kSelectCalendar, {}},
        {sql::kSelectSticker, {}},
        {sql::kUpdateClockSize, {351, 60}},
        {sql::kUpdateClockOnTop, {2}},
        {sql::kUpdateStickerOnTop, {0}},
        {sql::kUpdateSectionSize, {24}},
        {sql::kUpdateGoToCurrentDay, {2}},
        {sql::kUpdateStickerTextColor, {QStringLiteral("#102030")}},
        {sql::kUpdateClockTextColor, {QStringLiteral("#ffffff")}},
        {sql::kUpdateStickerFont, {QFont().toString()}},
        {sql::kUpdateClockOpacity, {0.5}},
        {sql::kUpdateClockSkin, {3}},
        {sql::kUpdateClockPos, {10, 20}},
        {sql::kUpdateCalendar, {1, 2, 300, 400, true}},
        {sql::kUpdateStickerSize, {314, 272}},
        {sql::kUpdateStickerPos, {5, 6}},
        {sql::kUpdateStickerSkin, {4}},
        {sql::kUpdateChatPort, {7756}},
        {sql::kUpdateFileToRun, {QStringLiteral("/tmp/x y.txt")}},
    };
}

}  // namespace

class TestDb : public QObject
{
    Q_OBJECT
private slots:
    void failedWriteShowsDriverErrorOverItsParent();
    void failedReadShowsErrorAndGivesNothing();
    void updateChangesEveryRowAndReadsTakeTheFirst();
    void emptySettingsReadAsZeroAndWritesChangeNothing();
    void checkStatesReadAsBoolean_data();
    void checkStatesReadAsBoolean();
    void coloursAndFontsSurviveTheRoundTrip_data();
    void coloursAndFontsSurviveTheRoundTrip();
    void valuesKeepTheirStoredTypes();
    void installedSchemaServesEveryStatement();
    void connectionOptionsAreApplied();
    void deletingATaskDeletesItsAttachments();
    void provisioningNeverTouchesAnExistingFile();
    void provisioningCreatesMissingDirectories();
    void openFailureNamesTheDirectory();
};

void TestDb::failedWriteShowsDriverErrorOverItsParent()
{
    TestDataDir data;
    data.open();
    QWidget owner;
    BoxAnswerer boxes;
    QVERIFY(!db::save(QStringLiteral("UPDATE settings SET NoSuchColumn = :x"), {1}, &owner));
    QCOMPARE(boxes.seen.size(), 1);
    const SeenBox& box = boxes.seen.first();
    QCOMPARE(box.title, QStringLiteral("Error"));
    QVERIFY2(box.text.contains(QStringLiteral("no such column")), qPrintable(box.text));
    QCOMPARE(box.parent.data(), &owner);
    QCOMPARE(box.icon, QMessageBox::Information);
    QCOMPARE(box.buttons, QStringList{QStringLiteral("OK")});
    // The transaction was closed: a following write goes through.
    QVERIFY(db::save(QLatin1String(sql::kUpdateChatPort), {1234}, &owner));
    QCOMPARE(data.scalar(QStringLiteral("select OrvoChatPort from settings")).toInt(), 1234);
    QCOMPARE(boxes.seen.size(), 1);
}

void TestDb::failedReadShowsErrorAndGivesNothing()
{
    TestDataDir data;
    data.open();
    data.exec(QStringLiteral("DROP TABLE to_do_list"));
    BoxAnswerer boxes;
    QVERIFY(!db::read(QStringLiteral("select text from to_do_list where day = :d"), {1}));
    QWidget owner;
    QVERIFY(!db::readFirst(QStringLiteral("select text from to_do_list"), {}, &owner));
    QCOMPARE(boxes.seen.size(), 2);
    for (const SeenBox& box : boxes.seen) {
        QCOMPARE(box.title, QStringLiteral("Error"));
        QVERIFY2(box.text.contains(QStringLiteral("to_do_list")), qPrintable(box.text));
    }
    QVERIFY(!boxes.seen.at(0).hadParent);
    QCOMPARE(boxes.seen.at(1).parent.data(), &owner);
}

void TestDb::updateChangesEveryRowAndReadsTakeTheFirst()
{
    TestDataDir data;
    data.open();
    data.exec(QStringLiteral("INSERT INTO settings SELECT * FROM settings"));
    data.exec(QStringLiteral("UPDATE settings SET OrvoChatPort = 1111 WHERE rowid = 1"));
    data.exec(QStringLiteral("UPDATE settings SET OrvoChatPort = 2222 WHERE rowid = 2"));
    const auto first = db::readFirst(QStringLiteral("select OrvoChatPort from settings"));
    QVERIFY(first);
    QCOMPARE(first->at(0).toInt(), 1111);

    QVERIFY(db::save(QLatin1String(sql::kUpdateClockPos), {77, 88}, nullptr));
    QCOMPARE(data.scalar(QStringLiteral("select count(*) from settings where DigitalClock_Pos_x = 77 "
                                        "and DigitalClock_Pos_y = 88"))
                 .toInt(),
             2);
}

void TestDb::emptySettingsReadAsZeroAndWritesChangeNothing()
{
    TestDataDir data;
    data.open();
    data.exec(QStringLiteral("DELETE FROM settings"));
    BoxAnswerer boxes;
    const auto row = db::readFirst(QLatin1String(sql::kSelectSettingsPage));
    QVERIFY(row);
    QCOMPARE(row->size(), 11);
    QCOMPARE(row->at(0).toInt(), 0);
    QCOMPARE(row->at(2).toBool(), false);
    QCOMPARE(row->at(9).toString(), QString());
    QCOMPARE(row->at(10).toDouble(), 0.0);

    QVERIFY(db::save(QLatin1String(sql::kUpdateChatPort), {9999}, nullptr));
    QCOMPARE(data.scalar(QStringLiteral("select count(*) from settings")).toInt(), 0);
    QVERIFY(boxes.seen.isEmpty());
}

void TestDb::checkStatesReadAsBoolean_data()
{
    QTest::addColumn<int>("stored");
    QTest::addColumn<bool>("set");
    QTest::newRow("cleared") << 0 << false;
    QTest::newRow("partial") << 1 << true;
    QTest::newRow("checked") << 2 << true;
}

void TestDb::checkStatesReadAsBoolean()
{
    QFETCH(int, stored);
    QFETCH(bool, set);
    TestDataDir data;
    data.open();
    QVERIFY(db::save(QLatin1String(sql::kUpdateClockOnTop), {stored}, nullptr));
    const auto row = db::readFirst(QLatin1String(sql::kSelectClock));
    QVERIFY(row);
    QCOMPARE(row->at(2).toBool(), set);
}

void TestDb::coloursAndFontsSurviveTheRoundTrip_data()
{
    QTest::addColumn<QColor>("colour");
    QTest::addColumn<QString>("family");
    QTest::addColumn<int>("points");
    QTest::addColumn<bool>("bold");
    QTest::addColumn<bool>("italic");
    QTest::newRow("black, plain") << QColor(0, 0, 0) << "DejaVu Sans" << 10 << false << false;
    QTest::newRow("odd colour, bold") << QColor(1, 171, 254) << "DejaVu Serif" << 13 << true << false;
    QTest::newRow("white, italic") << QColor(255, 255, 255) << "DejaVu Sans Mono" << 7 << false << true;
}

void TestDb::coloursAndFontsSurviveTheRoundTrip()
{
    QFETCH(QColor, colour);
    QFETCH(QString, family);
    QFETCH(int, points);
    QFETCH(bool, bold);
    QFETCH(bool, italic);
    TestDataDir data;
    data.open();
    QFont font(family, points);
    font.setBold(bold);
    font.setItalic(italic);
    QVERIFY(db::save(QLatin1String(sql::kUpdateClockTextColor), {colour.name()}, nullptr));
    QVERIFY(db::save(QLatin1String(sql::kUpdateStickerFont), {font.toString()}, nullptr));
    const auto row = db::readFirst(QLatin1String(sql::kSelectClock));
    QVERIFY(row);
    QCOMPARE(QColor(row->at(5).toString()), colour);
    QFont back;
    QVERIFY(back.fromString(row->at(3).toString()));
    QCOMPARE(back.family(), family);
    QCOMPARE(back.pointSize(), points);
    QCOMPARE(back.bold(), bold);
    QCOMPARE(back.italic(), italic);
}

void TestDb::valuesKeepTheirStoredTypes()
{
    TestDataDir data;
    data.open();
    QVERIFY(db::save(QLatin1String(sql::kUpdateClockOpacity), {0.7}, nullptr));
    QVERIFY(db::save(QLatin1String(sql::kUpdateCalendar), {1, 2, 3, 4, true}, nullptr));
    QVERIFY(db::save(QLatin1String(sql::kUpdateFileToRun), {QStringLiteral("/home/u/файл.txt")}, nullptr));
    QCOMPARE(data.scalar(QStringLiteral("select typeof(DigitalClock_Opacity) from settings")).toString(),
             QStringLiteral("real"));
    QCOMPARE(data.scalar(QStringLiteral("select View_month from settings")).toInt(), 1);
    QCOMPARE(data.scalar(QStringLiteral("select typeof(View_month) from settings")).toString(),
             QStringLiteral("integer"));
    QCOMPARE(data.scalar(QStringLiteral("select FileToRun from settings")).toString(),
             QStringLiteral("/home/u/файл.txt"));
}

void TestDb::installedSchemaServesEveryStatement()
{
    TestDataDir data;
    data.open();
    BoxAnswerer boxes;
    for (const auto& [statement, values] : allSettingsStatements()) {
        const QString text = QLatin1String(statement);
        const bool ok = text.startsWith(QLatin1String("select")) ? db::read(text, values).has_value()
                                                                 : db::save(text, values, nullptr);
        QVERIFY2(ok, statement);
    }
    QVERIFY(boxes.seen.isEmpty());
    QCOMPARE(data.scalar(QStringLiteral("select count(*) from settings")).toInt(), 1);
}

void TestDb::connectionOptionsAreApplied()
{
    TestDataDir data;
    data.open();
    QCOMPARE(data.scalar(QStringLiteral("PRAGMA journal_mode")).toString(), QStringLiteral("wal"));
    QCOMPARE(data.scalar(QStringLiteral("PRAGMA synchronous")).toInt(), 1);  // NORMAL
    QCOMPARE(data.scalar(QStringLiteral("PRAGMA foreign_keys")).toInt(), 1);
    QCOMPARE(data.scalar(QStringLiteral("PRAGMA auto_vacuum")).toInt(), 1);  // chosen before the tables
}

void TestDb::deletingATaskDeletesItsAttachments()
{
    TestDataDir data;
    data.open();
    QVERIFY(db::save(QStringLiteral("INSERT INTO to_do_list (day, text, done) VALUES (?,?,?)"),
                     {1, QStringLiteral("a"), false}, nullptr));
    const qint64 task = data.scalar(QStringLiteral("select max(ID) from to_do_list")).toLongLong();
    for (int i = 0; i < 2; ++i) {
        QVERIFY(db::save(QStringLiteral("INSERT INTO attachments (filename, attach, ID_TODO, link) VALUES (?,?,?,?)"),
                         {QStringLiteral("f"), QByteArray(1000, 'x'), task, false}, nullptr));
    }
    QCOMPARE(data.scalar(QStringLiteral("select count(*) from attachments")).toInt(), 2);
    QVERIFY(db::save(QStringLiteral("DELETE FROM to_do_list WHERE ID = :myid"), {task}, nullptr));
    QCOMPARE(data.scalar(QStringLiteral("select count(*) from attachments")).toInt(), 0);
}

void TestDb::provisioningNeverTouchesAnExistingFile()
{
    TestDataDir data(TestDataDir::EmptyDirectory);
    const QByteArray foreign("not a database, but somebody's file");
    {
        QFile f(data.databasePath());
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(foreign);
    }
    QVERIFY(db::provision(data.dataDirectory()));
    QFile f(data.databasePath());
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), foreign);
    QVERIFY(!QFile::exists(data.databasePath() + QStringLiteral(".partial")));
}

void TestDb::provisioningCreatesMissingDirectories()
{
    TestDataDir data(TestDataDir::NoDirectory);
    QVERIFY(!QFile::exists(data.dataDirectory()));
    QString error;
    QVERIFY2(db::provision(data.dataDirectory(), &error), qPrintable(error));
    QVERIFY(QFile::exists(data.databasePath()));
    data.open();
    QCOMPARE(data.scalar(QStringLiteral("select count(*) from settings")).toInt(), 1);
    QCOMPARE(data.scalar(QStringLiteral("select OrvoChatPort from settings")).toInt(), 7755);
    QCOMPARE(data.scalar(QStringLiteral("select DigitalClock_Opacity from settings")).toDouble(), 1.0);
}

void TestDb::openFailureNamesTheDirectory()
{
    TestDataDir data(TestDataDir::NoDirectory);
    QSqlDatabase handle;
    const QString text = db::openDefault(handle);
    QVERIFY(text.startsWith(data.dataDirectory() + QLatin1Char(' ')));
    QVERIFY(data.dataDirectory().endsWith(QLatin1Char('/')));
    QVERIFY(text.contains(QStringLiteral(" - ")));
    QVERIFY(text.endsWith(QStringLiteral(" orvo.db")));
    handle = QSqlDatabase();
    QSqlDatabase::removeDatabase(QLatin1String(QSqlDatabase::defaultConnection));
}

QTEST_MAIN(TestDb)
#include "tst_db.moc"
