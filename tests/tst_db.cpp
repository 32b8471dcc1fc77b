// The shared write and read routines and the installed schema.
#include "boxanswerer.h"
#include "testdatadir.h"

#include "db/database.h"
#include "db/provisioner.h"
#include "db/statements.h"

#include <QFile>
#include <QtTest>

class TestDb : public QObject
{
    Q_OBJECT
private slots:
    void failuresShowTheDriversReasonAndCloseTheTransaction();
    void emptySettingsReadAsZeroes();
    void installedSchemaServesEveryStatement();
    void deletingATaskDeletesItsAttachments();
    void provisioningNeverTouchesAnExistingFile();
};

void TestDb::failuresShowTheDriversReasonAndCloseTheTransaction()
{
    TestDataDir data;
    data.open();
    QWidget owner;
    BoxAnswerer boxes;
    // A statement that does not prepare must report why, not a bare
    // parameter count mismatch from binding it anyway.
    QVERIFY(!db::save(QStringLiteral("UPDATE settings SET NoSuchColumn = :x"), {1}, &owner));
    QVERIFY(!db::read(QStringLiteral("select x from no_such_table")));
    QCOMPARE(boxes.seen.size(), 2);
    QCOMPARE(boxes.seen[0].title, QStringLiteral("Error"));
    QVERIFY2(boxes.seen[0].text.contains(QStringLiteral("no such column")), qPrintable(boxes.seen[0].text));
    QCOMPARE(boxes.seen[0].parent.data(), &owner);
    QCOMPARE(boxes.seen[0].buttons, QStringList{QStringLiteral("OK")});
    QVERIFY(boxes.seen[1].text.contains(QStringLiteral("no_such_table")));
    QVERIFY(!boxes.seen[1].hadParent);
    // The failed write's transaction is over: the next one is stored.
    QVERIFY(db::save(QLatin1String(sql::kUpdateChatPort), {1234}, &owner));
    data.close();
    data.open();
    QCOMPARE(data.scalar(QStringLiteral("select OrvoChatPort from settings")).toInt(), 1234);
}

void TestDb::emptySettingsReadAsZeroes()
{
    TestDataDir data;
    data.open();
    data.exec(QStringLiteral("DELETE FROM settings"));
    const auto row = db::readFirst(QLatin1String(sql::kSelectSettingsPage));
    QVERIFY(row);
    QCOMPARE(row->size(), 11);
    for (const QVariant& value : *row)
        QVERIFY(!value.isValid());
}

void TestDb::installedSchemaServesEveryStatement()
{
    TestDataDir data;
    data.open();
    BoxAnswerer boxes;
    const QVector<QPair<const char*, QVariantList>> statements{
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
        {sql::kUpdateStickerFont, {QStringLiteral("Sans,10,-1,5,50,0,0,0,0,0")}},
        {sql::kUpdateClockOpacity, {0.5}},
        {sql::kUpdateClockSkin, {3}},
        {sql::kUpdateClockPos, {10, 20}},
        {sql::kUpdateCalendar, {1, 2, 300, 400, true}},
        {sql::kUpdateStickerSize, {314, 272}},
        {sql::kUpdateStickerPos, {5, 6}},
        {sql::kUpdateStickerSkin, {4}},
        {sql::kUpdateChatPort, {7756}},
        {sql::kUpdateFileToRun, {QStringLiteral("/tmp/x y.txt")}},
        {sql::kSelectTasks, {1}},
        {sql::kInsertTask, {1, QStringLiteral("t"), false}},
        {sql::kUpdateTaskDone, {true, 1}},
        {sql::kUpdateTaskText, {QStringLiteral("u"), 1}},
        {sql::kSelectAttachments, {1}},
        {sql::kInsertAttachment, {QStringLiteral("f"), QByteArray("x"), 1, false}},
        {sql::kSelectAttachment, {1}},
        {sql::kAppendAttachment, {QByteArray("y"), 1}},
        {sql::kDeleteAttachment, {1}},
        {sql::kDeleteTask, {1}},
    };
    for (const auto& [statement, values] : statements) {
        const QString text = QLatin1String(statement);
        const bool ok = text.startsWith(QLatin1String("select"), Qt::CaseInsensitive)
            ? db::read(text, values).has_value()
            : db::save(text, values, nullptr);
        QVERIFY2(ok, statement);
    }
    QVERIFY(boxes.seen.isEmpty());
    QCOMPARE(data.scalar(QStringLiteral("select count(*) from settings")).toInt(), 1);
}

void TestDb::deletingATaskDeletesItsAttachments()
{
    TestDataDir data;
    data.open();
    QVERIFY(db::save(QLatin1String(sql::kInsertTask), {1, QStringLiteral("a"), false}, nullptr));
    const qint64 task = data.scalar(QStringLiteral("select max(ID) from to_do_list")).toLongLong();
    data.exec(QStringLiteral("INSERT INTO attachments (filename, attach, ID_TODO, link) VALUES ('f', x'00', %1, 0)")
                  .arg(task));
    QVERIFY(db::save(QLatin1String(sql::kDeleteTask), {task}, nullptr));
    QCOMPARE(data.scalar(QStringLiteral("select count(*) from attachments")).toInt(), 0);
}

void TestDb::provisioningNeverTouchesAnExistingFile()
{
    TestDataDir data(TestDataDir::NoDirectory);
    QString error;
    QVERIFY2(db::provision(data.dataDirectory(), &error), qPrintable(error));
    data.open();
    QCOMPARE(data.scalar(QStringLiteral("select count(*) from settings")).toInt(), 1);
    data.exec(QStringLiteral("UPDATE settings SET OrvoChatPort = 1"));
    data.close();

    QVERIFY(db::provision(data.dataDirectory(), &error));
    data.open();
    QCOMPARE(data.scalar(QStringLiteral("select OrvoChatPort from settings")).toInt(), 1);
    QVERIFY(!QFile::exists(data.databasePath() + QStringLiteral(".partial")));
}

QTEST_MAIN(TestDb)
#include "tst_db.moc"
