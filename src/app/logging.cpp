#include "logging.h"

#include <QString>

namespace app
{

namespace
{

Q_LOGGING_CATEGORY(storeLog, "tovik.store", QtInfoMsg)
Q_LOGGING_CATEGORY(sourcesLog, "tovik.sources", QtInfoMsg)
Q_LOGGING_CATEGORY(cryptoLog, "tovik.crypto", QtInfoMsg)
Q_LOGGING_CATEGORY(contactsLog, "tovik.contacts", QtInfoMsg)
Q_LOGGING_CATEGORY(catalogueLog, "tovik.catalogue", QtInfoMsg)
Q_LOGGING_CATEGORY(exportLog, "tovik.export", QtInfoMsg)
Q_LOGGING_CATEGORY(appLog, "tovik.app", QtInfoMsg)

} // namespace

const QLoggingCategory &loggingCategory(common::LogCategory category)
{
    switch (category) {
    case common::LogCategory::Store:
        return storeLog();
    case common::LogCategory::Sources:
        return sourcesLog();
    case common::LogCategory::Crypto:
        return cryptoLog();
    case common::LogCategory::Contacts:
        return contactsLog();
    case common::LogCategory::Catalogue:
        return catalogueLog();
    case common::LogCategory::Export:
        return exportLog();
    case common::LogCategory::App:
        break;
    }
    return appLog();
}

void routeCoreLogging()
{
    common::setLogSink({
        [](common::LogCategory category) {
            return loggingCategory(category).isDebugEnabled();
        },
        [](common::LogCategory category, std::string_view message) {
            const QLoggingCategory &qt = loggingCategory(category);
            if (!qt.isDebugEnabled()) {
                // Turned on by TOVIK_LOG alone.
                common::writeToStandardError(category, message);
                return;
            }
            qCDebug(qt).noquote() << QString::fromUtf8(message.data(), static_cast<qsizetype>(message.size()));
        },
    });
}

} // namespace app
