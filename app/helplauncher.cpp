#include "app/helplauncher.h"

#include "app/helpprotocol.h"

HelpLauncher::HelpLauncher(const QString& viewer, const QString& collection, const QString& identifier,
                           QObject* parent)
    : QObject(parent)
    , viewer(viewer)
    , arguments{collection, identifier}
{
    // The web engine's messages go where the program's own go.
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    connect(&process, &QProcess::readyReadStandardOutput, this, &HelpLauncher::readAnswers);
    connect(&process, QOverload<int, QProcess::ExitStatus>::of(&QProcess::finished), this,
            &HelpLauncher::viewerEnded);
    connect(&process, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            viewerEnded();
    });
}

HelpLauncher::~HelpLauncher()
{
    if (process.state() == QProcess::NotRunning)
        return;
    // The end of its input closes the viewer's windows and ends it.
    process.disconnect(this);
    process.closeWriteChannel();
    if (!process.waitForFinished(5000)) {
        process.kill();
        process.waitForFinished(1000);
    }
}

void HelpLauncher::open()
{
    if (process.state() == QProcess::NotRunning)
        start();
    ++unanswered;
    process.write(helpprotocol::kOpen);
    process.write("\n");
}

void HelpLauncher::start()
{
    answered = false;
    process.start(viewer, arguments);
}

void HelpLauncher::readAnswers()
{
    while (process.canReadLine()) {
        const QByteArray answer = process.readLine().trimmed();
        // Anything else on the viewer's output is not ours.
        if (answer != helpprotocol::kShown && answer != helpprotocol::kNoPage
            && answer != helpprotocol::kNoCollection)
            continue;
        answered = true;
        unanswered = qMax(0, unanswered - 1);
        if (answer == helpprotocol::kNoCollection)
            emit failed();
    }
}

void HelpLauncher::viewerEnded()
{
    readAnswers();
    if (unanswered == 0)
        return;
    const int requests = unanswered;
    unanswered = 0;
    // A viewer that had answered before ended on its last window closing
    // just as more requests came: a new one takes them. One that never
    // answered did not start or broke down, and would do so again.
    if (!answered) {
        emit failed();
        return;
    }
    for (int i = 0; i < requests; ++i)
        open();
}
