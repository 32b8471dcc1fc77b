#include "app/helpviewer.h"

#include "app/helpprotocol.h"
#include "app/helpstore.h"

#include <QApplication>
#include <QFileInfo>
#include <QHelpEngineCore>
#include <QHelpLink>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineView>
#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <memory>
#include <unistd.h>

HelpViewer::HelpViewer(const QString& collection, const QString& identifier, QObject* parent)
    : QObject(parent)
    , collection(collection)
    , identifier(identifier)
{
    // Answers go to a descriptor of their own: the web engine's processes
    // inherit standard output, and what they might print there must not
    // mix with the answers.
    answers = ::fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 3);
    ::dup2(STDERR_FILENO, STDOUT_FILENO);
    notifier = new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, &HelpViewer::readRequests);
}

HelpViewer::~HelpViewer()
{
    // The web engine cannot shut down under a view still alive.
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (qobject_cast<QWebEngineView*>(window))
            delete window;
    }
}

void HelpViewer::readRequests()
{
    char buffer[256];
    // What the pipe holds, without waiting for more.
    const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR)
        return;
    if (n <= 0) {
        inputEnded();
        return;
    }
    pending.append(buffer, int(n));
    for (int end = pending.indexOf('\n'); end >= 0; end = pending.indexOf('\n')) {
        const QByteArray request = pending.left(end).trimmed();
        pending.remove(0, end + 1);
        if (request != helpprotocol::kOpen)
            continue;
        const QByteArray answer = open() + '\n';
        if (::write(answers, answer.constData(), std::size_t(answer.size())) != answer.size())
            QCoreApplication::quit();  // the program is gone
    }
    // A request that found nothing to show leaves the viewer with no
    // window, and so with no reason to stay.
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window->isVisible())
            return;
    }
    QCoreApplication::quit();
}

// The program has quit or died: its help windows go with it.
void HelpViewer::inputEnded()
{
    notifier->setEnabled(false);
    QCoreApplication::quit();
}

QByteArray HelpViewer::open()
{
    // The help engine would create an empty collection in place of a
    // missing one, and then find nothing.
    if (!QFileInfo(collection).isFile())
        return helpprotocol::kNoCollection;
    auto engine = std::make_unique<QHelpEngineCore>(collection);
    if (!engine->setupData())
        return helpprotocol::kNoCollection;
    QList<QHelpLink> links = engine->documentsForIdentifier(identifier);
    std::stable_sort(links.begin(), links.end(),
                     [](const QHelpLink& a, const QHelpLink& b) { return a.title < b.title; });
    if (links.isEmpty())
        return helpprotocol::kNoPage;
    const QUrl address = links.first().url;
    const QByteArray html = engine->fileData(address);
    if (html.isEmpty())
        return helpprotocol::kNoPage;
    if (!profile) {
        profile = new QWebEngineProfile(this);
        store = new HelpStore(this);
        profile->installUrlSchemeHandler(HelpStore::scheme, store);
    }
    store->setEngine(std::move(engine));

    auto* view = new QWebEngineView;
    view->setAttribute(Qt::WA_DeleteOnClose);
    view->setPage(new QWebEnginePage(profile, view));
    connect(view, &QWebEngineView::titleChanged, view, &QWidget::setWindowTitle);
    view->resize(820, 640);
    view->setHtml(QString::fromUtf8(html), address);
    view->show();
    return helpprotocol::kShown;
}
