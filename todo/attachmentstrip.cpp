#include "todo/attachmentstrip.h"

#include "db/database.h"
#include "db/statements.h"
#include "platform/platform.h"
#include "todo/paper.h"
#include "widgets/menuentries.h"

#include <QCursor>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QIcon>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QSaveFile>
#include <QSplashScreen>
#include <QTabWidget>
#include <QUrl>
#include <QtEndian>
#include <QtMath>

namespace {

// Larger files can only be attached as links: a copy is held in memory
// whole, compressed and uncompressed, and stored with one INSERT.
constexpr qint64 kMaxCopySize = 52428800;

// A stored copy starts with the uncompressed length, big-endian: 0 marks a
// truly empty file, while any other content that uncompresses to nothing
// is damaged (or was never read).
bool isEmptyContent(const QByteArray& data)
{
    return data.size() >= 4 && qFromBigEndian<quint32>(data.constData()) == 0;
}

// An attachment's name ends before the rolled-up corner, which the strip's
// right end lies on.
void keepClearOfTheCurl(QLabel* name, QSize size)
{
    name->setContentsMargins(0, 0, qMax(0, qCeil(size.width() * 59 / 314.0) - paper::margins(size).right()), 0);
}

void openWithDesktop(const QString& path)
{
    QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

}  // namespace

AttachmentStrip::AttachmentStrip(QTabWidget* strip, QMenu* menu, QWidget* window, std::function<qint32()> selectedTask)
    : QObject(window)
    , tabWidget(strip)
    , menu(menu)
    , window(window)
    , selectedTask(std::move(selectedTask))
{
    connect(tabWidget, &QWidget::customContextMenuRequested, this, &AttachmentStrip::showMenu);
}

void AttachmentStrip::fitNames(QSize size)
{
    const auto names = tabWidget->findChildren<QLabel*>(QStringLiteral("lb"));
    for (QLabel* name : names)
        keepClearOfTheCurl(name, size);
}

qint32 AttachmentStrip::currentAttachId() const
{
    return tabWidget->currentWidget()->property("ID").toInt();
}

void AttachmentStrip::getAttach(qint32 task)
{
    // The pages are the strip's own: removing them alone would keep every
    // listing's labels alive until the window goes.
    QList<QWidget*> pages;
    for (int i = 0; i < tabWidget->count(); ++i)
        pages.append(tabWidget->widget(i));
    tabWidget->clear();
    qDeleteAll(pages);

    if (task == 0)
        return;
    const auto rows = db::read(QString::fromLatin1(sql::kSelectAttachments), {QVariant(task)});
    if (!rows)
        return;
    for (const db::Row& r : *rows) {
        auto* page = new QLabel(r.at(1).toString());
        page->setObjectName(QStringLiteral("lb"));
        keepClearOfTheCurl(page, window->size());
        tabWidget->setCurrentIndex(tabWidget->addTab(page, QStringLiteral("Вложение")));
        tabWidget->currentWidget()->setProperty("ID", QVariant(r.at(0).toInt()));
    }
}

void AttachmentStrip::showMenu()
{
    menu->clear();
    addEntries<AttachmentStrip>(menu, this,
                                {{":/img/new.png", "Добавить", &AttachmentStrip::add_attach},
                                 {":/img/view.png", "Открыть", &AttachmentStrip::view_attach},
                                 {":/img/del_1.png", "Удалить", &AttachmentStrip::delete_attach}});
    menu->exec(QCursor::pos());
}

void AttachmentStrip::add_attach()
{
    const qint32 task = selectedTask();
    if (task == 0)
        return;
    const QString path = QFileDialog::getOpenFileName(window, QStringLiteral("Выберите файл для сохранения в БД"),
                                                      QString(), tr("ALL (*)"));
    if (path.isEmpty())
        return;

    QMessageBox choice;
    choice.setIcon(QMessageBox::Question);
    choice.setText(QStringLiteral("Выберете вариант сохранения документа"));
    QPushButton* link =
        choice.addButton(QStringLiteral("Сохранить ссылку на документ в базе"), QMessageBox::ActionRole);
    QPushButton* copy =
        choice.addButton(QStringLiteral("Сохранить копию документа в базу"), QMessageBox::ActionRole);
    choice.addButton(QStringLiteral("Отмена"), QMessageBox::ActionRole);
    choice.exec();

    if (choice.clickedButton() == link) {
        // A link keeps the empty string, not NULL, as its content.
        db::save(QString::fromLatin1(sql::kInsertAttachment),
                 {path, QVariant(QStringLiteral("")), QVariant(task), QVariant(true)}, window);
    } else if (choice.clickedButton() == copy) {
        if (QFileInfo(path).size() > kMaxCopySize) {
            db::showError(window, QStringLiteral("Файлы больше 50 Мегабайт необходимо сохранять как ссылку на файл."));
            return;
        }
        QSplashScreen splash(QPixmap(QStringLiteral(":/img/splash.png")));
        splash.setWindowModality(Qt::ApplicationModal);
        splash.show();
        splash.showMessage(QStringLiteral("Конвертация документа... "), Qt::AlignBottom | Qt::AlignHCenter, Qt::black);
        const QByteArray content = read_attach_file(path);
        db::save(QString::fromLatin1(sql::kInsertAttachment),
                 {QFileInfo(path).fileName(), QVariant(content), QVariant(task), QVariant(false)}, window);
    } else {
        return;
    }
    emit added();
}

QByteArray AttachmentStrip::read_attach_file(QString path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        QMessageBox::warning(window, QStringLiteral("ВНИМАНИЕ"), QStringLiteral("Невозможно открыть файл! ") + path,
                             QMessageBox::Ok);
        return QByteArray();
    }
    // The file's bytes are freed on return, before the INSERT copies the
    // compressed form: at most the file and its compressed form are held.
    return qCompress(file.readAll(), -1);
}

void AttachmentStrip::view_attach()
{
    if (tabWidget->count() == 0)
        return;
    const auto rows = db::read(QString::fromLatin1(sql::kSelectAttachment), {QVariant(currentAttachId())});
    if (!rows || rows->isEmpty())
        return;
    const db::Row& r = rows->first();
    const QByteArray attach = r.at(0).toByteArray();
    const QString filename = r.at(1).toString();
    if (r.at(2).toBool()) {
        openWithDesktop(filename);
        return;
    }

    const QString start = QDir(db::dataDirectory()).filePath(QStringLiteral("to_save"));
    if (!QDir().mkpath(start)) {
        const QString reason = Platform::instance().lastErrorText();
        QMessageBox::warning(window, QStringLiteral("ERR!"), reason, QMessageBox::Ok);
        return;
    }
    const QString folder = QFileDialog::getExistingDirectory(
        window, QStringLiteral("Выберите каталог для сохранения файла"), start,
        QFileDialog::ShowDirsOnly | QFileDialog::DontResolveSymlinks);
    if (folder.isEmpty())
        return;
    // A stored name never leads out of the chosen folder.
    const QString target = folder + QLatin1Char('/') + QFileInfo(filename).fileName();
    if (!write_attach_file(attach, target))
        return;
    const auto answer =
        QMessageBox::question(window, QStringLiteral("Открытие"), QStringLiteral("Открыть файл? ") + target,
                              QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::NoButton);
    if (answer == QMessageBox::Ok)
        openWithDesktop(target);
}

// The user's existing file is replaced only by a whole new one: the content
// is uncompressed first, written beside the target and renamed over it once
// it is complete. A damaged copy or a failed write leaves the file as it was.
bool AttachmentStrip::write_attach_file(QByteArray data, QString path)
{
    const QByteArray bytes = qUncompress(data);
    if (bytes.isEmpty() && !isEmptyContent(data)) {
        QMessageBox::critical(window, QStringLiteral("Error!"),
                              QStringLiteral("Копия документа в базе повреждена или отсутствует, файл не сохранён: ")
                                  + path,
                              QMessageBox::Ok);
        return false;
    }
    // Where the file already is, failing to put the new one in its place is
    // failing to remove the old one.
    const bool existed = QFileInfo::exists(path);
    const auto cannotReplace = [&] {
        QMessageBox::warning(window, QStringLiteral("ВНИМАНИЕ"), QStringLiteral("Невозможно удалить файл! ") + path,
                             QMessageBox::Ok);
        return false;
    };
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) && existed)
        return cannotReplace();
    const qint64 written = file.isOpen() ? file.write(bytes) : -1;
    // A short write (a full disk, a file size limit) sets no error of its
    // own: committing it would put a truncated copy over the user's file.
    if (written != bytes.size() && file.isOpen()) {
        const QString reason = Platform::instance().lastErrorText();
        file.cancelWriting();
        QMessageBox::critical(window, QStringLiteral("Error!"), reason.isEmpty() ? file.errorString() : reason,
                              QMessageBox::Ok);
        return false;
    }
    if (file.isOpen() && file.commit())
        return written > 0;  // an empty file is created, but nothing is offered to open
    if (file.error() == QFileDevice::RenameError && existed)
        return cannotReplace();
    QMessageBox::critical(window, QStringLiteral("Error!"), file.errorString(), QMessageBox::Ok);
    return false;
}

void AttachmentStrip::delete_attach()
{
    if (tabWidget->count() == 0)
        return;
    const qint32 id = currentAttachId();
    const auto answer = QMessageBox::question(window, QStringLiteral("Удаление"),
                                              QStringLiteral("Вы действительно хотите удалить вложение"),
                                              QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::NoButton);
    if (answer != QMessageBox::Ok)
        return;
    db::save(QString::fromLatin1(sql::kDeleteAttachment), {QVariant(id)}, window);
    emit deleted();
}
