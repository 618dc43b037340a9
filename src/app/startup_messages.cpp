#include "app/startup_messages.h"

#include "app/instance_lock.h"
#include "data/file_replacement.h"
#include "data/store.h"

#include <QDir>

#include <cstdio>

namespace kalvora {

StartupMessage alreadyRunningMessage()
{
    return {MessageBox::Icon::Information,
            QStringLiteral("PROGRAM ZATEN ÇALIŞIYOR. YADA PROGRAMI GÜVENLİ ÇIKIŞI KULLANMADAN "
                           "KAPATTINIZ. BİLGİSAYARINIZI YENİDEN BAŞLATMANIZI ÖNERİYORUZ."),
            QStringLiteral("TORVIN")};
}

StartupMessage lockFailedMessage(const QString& folder, const QString& cause)
{
    return {MessageBox::Icon::Error,
            QStringLiteral("PROGRAM BAŞLATILAMADI: VERİ KLASÖRÜNE YAZILAMIYOR.\n") +
                QDir::toNativeSeparators(folder) + QLatin1Char('\n') + cause +
                QStringLiteral("\n\nHİÇBİR DOSYAYA DOKUNULMADI."),
            QStringLiteral("VERİ KLASÖRÜ")};
}

StartupMessage lockMessage(const InstanceLock& lock)
{
    switch (lock.state()) {
    case InstanceLock::State::Taken:
        return {};
    case InstanceLock::State::HeldByAnother:
        return alreadyRunningMessage();
    case InstanceLock::State::Failed:
        break;
    }
    return lockFailedMessage(lock.folder(), lock.cause());
}

StartupMessage storeProblemMessage(const StoreProblem& problem)
{
    if (problem.fatal)
        return {MessageBox::Icon::Error, problem.text, QStringLiteral("DEFTER AÇILAMADI")};
    return {MessageBox::Icon::Error, problem.text + QStringLiteral("\n\nDOSYAYA DOKUNULMADI."),
            QStringLiteral("VERİ DOSYASI AÇILAMADI")};
}

StartupMessage replacementMessage(const FileReplacement::Recovery& recovery)
{
    if (recovery.finished)
        return {MessageBox::Icon::Information, recovery.text, QStringLiteral("VERİ KLASÖRÜ")};
    return {MessageBox::Icon::Error,
            recovery.text + QStringLiteral("\n\nPROGRAM BU VERİ KLASÖRÜYLE AÇILMADI."),
            QStringLiteral("VERİ KLASÖRÜ")};
}

void showStartupMessage(const StartupMessage& message)
{
    std::fputs((message.title + QStringLiteral(": ") + message.text + QLatin1Char('\n')).toUtf8().constData(),
               stderr);
    std::fflush(stderr);
    MessageBox::show(nullptr, message.icon, message.text, message.title, false);
}

} // namespace kalvora
