// Adding a 50 MiB file to a task as a compressed copy and opening it again,
// through the sticker's own slots with their dialogs answered, next to
// `gzip -6` and `gunzip` of the same file in the same run. The file is half
// random bytes, half text, so that compression does real work. Prints the
// median seconds of three runs and the peak memory above the resident size
// before the step, as ratios to the file size and to gzip's time.
//
// Targets: within 1.2 times gzip's time; peak memory under 3 times the file.

#include "app/startup.h"
#include "boxanswerer.h"
#include "testdatadir.h"

#include "resources/resources.h"
#include "todo/todolist.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QSqlQuery>

#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <random>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr qint64 kFileSize = 50ll * 1024 * 1024;
constexpr int kRuns = 3;

struct Figures {
    double seconds = 0;
    double peakMiB = 0;
};

// Half random bytes, half text, in alternating 64 KiB blocks.
QByteArray mixedContent()
{
    std::mt19937 random(12345);
    const char* words[] = {"sticker", "task ", "attachment ", "Monday ", "report, ", "the ", "of ", "notes\n"};
    QByteArray data;
    data.reserve(int(kFileSize));
    const int block = 64 * 1024;
    for (int n = 0; data.size() < kFileSize; ++n) {
        const int end = int(std::min<qint64>(data.size() + block, kFileSize));
        if (n % 2 == 0) {
            while (data.size() < end)
                data.append(char(random()));
        } else {
            while (data.size() < end)
                data.append(words[random() % 8]);
            data.truncate(end);
        }
    }
    return data;
}

long statusKiB(const char* field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(int(qstrlen(field))).trimmed().split(' ').value(0).toLong();
    }
    return -1;
}

// Resets the peak resident size to the current one (Linux 4.0 and later).
bool resetPeak()
{
    QFile refs(QStringLiteral("/proc/self/clear_refs"));
    return refs.open(QIODevice::WriteOnly) && refs.write("5") == 1;
}

template <typename Step>
Figures measureSelf(Step&& step)
{
    resetPeak();
    const long before = statusKiB("VmRSS:");
    QElapsedTimer timer;
    timer.start();
    step();
    Figures f;
    f.seconds = timer.nsecsElapsed() / 1e9;
    f.peakMiB = (statusKiB("VmHWM:") - before) / 1024.0;
    return f;
}

// Runs a program with stdin and stdout redirected; its own peak resident
// size comes from wait4.
Figures measureChild(const char* program, const char* option, const QString& in, const QString& out)
{
    QElapsedTimer timer;
    timer.start();
    const pid_t pid = fork();
    if (pid == 0) {
        const int input = ::open(QFile::encodeName(in).constData(), O_RDONLY);
        const int output = ::open(QFile::encodeName(out).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (input < 0 || output < 0)
            _exit(127);
        dup2(input, 0);
        dup2(output, 1);
        execlp(program, program, option, static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    Figures f;
    f.seconds = timer.nsecsElapsed() / 1e9;
    f.peakMiB = usage.ru_maxrss / 1024.0;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        f.seconds = -1;
    return f;
}

Figures median(std::vector<Figures> runs)
{
    std::sort(runs.begin(), runs.end(), [](const Figures& a, const Figures& b) { return a.seconds < b.seconds; });
    Figures m = runs[runs.size() / 2];
    for (const Figures& r : runs)
        m.peakMiB = std::max(m.peakMiB, r.peakMiB);
    return m;
}

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // The program's own mode, for what is measured and its baseline alike.
    prepareApplication();
    QApplication app(argc, argv);
    TestDataDir data;  // names its folder after the application
    orvoInitResources();
    data.open();
    if (!resetPeak()) {
        std::fprintf(stderr, "cannot reset the peak resident size through /proc/self/clear_refs\n");
        return 1;
    }

    const QString source = data.root() + QStringLiteral("/report.bin");
    const QString outDir = data.root() + QStringLiteral("/out");
    QDir().mkpath(outDir);
    {
        QFile file(source);
        if (!file.open(QIODevice::WriteOnly) || file.write(mixedContent()) != kFileSize) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(source));
            return 1;
        }
    }
    const double fileMiB = kFileSize / 1024.0 / 1024.0;

    data.exec(QStringLiteral("INSERT INTO to_do_list (day, text, done) VALUES (1, 'bench', 0)"));
    ToDoList list;
    list.set_day(1);
    list.show_notes();

    BoxAnswerer boxes;
    bool chooseFolder = true;
    boxes.onDialog([&](QDialog* d) {
        auto* dialog = qobject_cast<QFileDialog*>(d);
        const bool forFile = dialog->fileMode() == QFileDialog::ExistingFile;
        if (!forFile && !chooseFolder) {
            d->reject();
            return;
        }
        // The dialog leaves a name field alone while it has the focus.
        if (QWidget* focused = d->focusWidget())
            focused->clearFocus();
        dialog->selectFile(forFile ? source : outDir);
        d->accept();
    });
    const QString copy = QStringLiteral("Сохранить копию документа в базу");
    const QString target = outDir + QStringLiteral("/report.bin");

    std::vector<Figures> gzipRuns, gunzipRuns, addRuns, openRuns, addDialogs, openDialogs;
    for (int run = 0; run < kRuns; ++run) {
        gzipRuns.push_back(measureChild("gzip", "-6", source, source + ".gz"));
        gunzipRuns.push_back(measureChild("gunzip", "-c", source + ".gz", source + ".out"));

        // The dialogs alone: the file chosen, then "cancel"; the folder dialog closed.
        boxes.answerText(QStringLiteral("Отмена"));
        addDialogs.push_back(measureSelf([&] { QMetaObject::invokeMethod(&list, "add_attach"); }));
        boxes.answerText(copy);
        addRuns.push_back(measureSelf([&] { QMetaObject::invokeMethod(&list, "add_attach"); }));
        chooseFolder = false;
        openDialogs.push_back(measureSelf([&] { QMetaObject::invokeMethod(&list, "view_attach"); }));
        chooseFolder = true;
        QFile::remove(target);
        boxes.answer(QMessageBox::Cancel);  // "Открыть файл? " declined
        openRuns.push_back(measureSelf([&] { QMetaObject::invokeMethod(&list, "view_attach"); }));

        QFile written(target), original(source);
        if (!written.open(QIODevice::ReadOnly) || !original.open(QIODevice::ReadOnly)
            || written.readAll() != original.readAll()) {
            std::fprintf(stderr, "run %d: the opened copy differs from the file\n", run);
            return 1;
        }
    }
    for (const SeenBox& box : boxes.seen) {
        if (box.title != QStringLiteral("Открытие") && !box.buttons.contains(copy)) {
            std::fprintf(stderr, "unexpected box: %s %s\n", qPrintable(box.title), qPrintable(box.text));
            return 1;
        }
    }
    const qint64 stored =
        data.scalar(QStringLiteral("select length(attach) from attachments order by ID desc")).toLongLong();

    const Figures gzip = median(gzipRuns), gunzip = median(gunzipRuns);
    const Figures add = median(addRuns), open = median(openRuns);
    const Figures addOver = median(addDialogs), openOver = median(openDialogs);
    if (gzip.seconds < 0 || gunzip.seconds < 0) {
        std::fprintf(stderr, "gzip or gunzip failed\n");
        return 1;
    }
    std::printf("file %.0f MiB, stored %.1f MiB; median of %d runs\n", fileMiB, stored / 1048576.0, kRuns);
    std::printf("%-28s %9s %9s %12s %12s\n", "step", "seconds", "peak MiB", "x file size", "x baseline");
    auto row = [&](const char* name, const Figures& f, const Figures& base) {
        std::printf("%-28s %9.3f %9.1f %12.2f %12.2f\n", name, f.seconds, f.peakMiB, f.peakMiB / fileMiB,
                    f.seconds / base.seconds);
    };
    row("gzip -6", gzip, gzip);
    row("add copy (with dialogs)", add, gzip);
    Figures addNet{add.seconds - addOver.seconds, add.peakMiB};
    row("add copy (dialogs taken off)", addNet, gzip);
    row("gunzip", gunzip, gunzip);
    row("open copy (with dialogs)", open, gunzip);
    Figures openNet{open.seconds - openOver.seconds, open.peakMiB};
    row("open copy (dialogs taken off)", openNet, gunzip);
    std::printf("dialogs alone: add %.3f s, open %.3f s\n", addOver.seconds, openOver.seconds);
    return 0;
}
