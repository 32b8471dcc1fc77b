#pragma once

#include <QWebEngineUrlSchemeHandler>
#include <memory>

class QHelpEngineCore;

// Serves the help store's addresses (qthelp://namespace/folder/file) to the
// web engine, so that the pictures and links of a help page load from the
// collection the page came from.
class HelpStore : public QWebEngineUrlSchemeHandler
{
    Q_OBJECT
public:
    static const QByteArray scheme;

    // Declares the scheme to the web engine: before anything of the engine
    // is created, or the declaration is ignored.
    static void registerScheme();

    explicit HelpStore(QObject* parent = nullptr);
    ~HelpStore() override;

    // The collection to read from from now on.
    void setEngine(std::unique_ptr<QHelpEngineCore> engine);

    void requestStarted(QWebEngineUrlRequestJob* job) override;

private:
    std::unique_ptr<QHelpEngineCore> engine;
};
