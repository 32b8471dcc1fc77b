#include "app/helpstore.h"

#include <QBuffer>
#include <QHelpEngineCore>
#include <QMimeDatabase>
#include <QWebEngineUrlRequestJob>
#include <QWebEngineUrlScheme>

const QByteArray HelpStore::scheme = QByteArrayLiteral("qthelp");

void HelpStore::registerScheme()
{
    QWebEngineUrlScheme help(scheme);
    help.setSyntax(QWebEngineUrlScheme::Syntax::Host);
    // Pages of the store may show the store's pictures, and nothing else
    // may reach into it.
    help.setFlags(QWebEngineUrlScheme::LocalScheme | QWebEngineUrlScheme::LocalAccessAllowed);
    QWebEngineUrlScheme::registerScheme(help);
}

HelpStore::HelpStore(QObject* parent)
    : QWebEngineUrlSchemeHandler(parent)
{
}

HelpStore::~HelpStore() = default;

void HelpStore::setEngine(std::unique_ptr<QHelpEngineCore> engine)
{
    this->engine = std::move(engine);
}

void HelpStore::requestStarted(QWebEngineUrlRequestJob* job)
{
    const QUrl url = job->requestUrl();
    const QByteArray data = engine ? engine->fileData(url) : QByteArray();
    if (data.isEmpty()) {
        job->fail(QWebEngineUrlRequestJob::UrlNotFound);
        return;
    }
    const QString type = QMimeDatabase().mimeTypeForFileNameAndData(url.fileName(), data).name();
    auto* body = new QBuffer(job);
    body->setData(data);
    body->open(QIODevice::ReadOnly);
    job->reply(type.toUtf8(), body);
}
