#include "app_model.h"

#include "common/log.h"
#include "export/downloads_folder.h"
#include "export/export_conversation.h"
#include "l10n/strings.h"
#include "paths.h"
#include "store/statement_guard.h"
#include "texts.h"

#include <QPointer>

#include <utility>

// The export of the model and what the done screen does with the written file.
namespace app
{

struct AppModel::ExportOutcome {
    QString title;
    std::filesystem::path source;
    std::optional<Exported> written; // none when any step failed
    QString reason; // of a failure: the line that names why
};

void AppModel::exportConversation(const catalogue::Conversation &conversation)
{
    if (m_exportingID || !m_source)
        return;
    setExportingID(qs(conversation.id));
    setError(std::nullopt);
    m_pool.start([this, conversation, index = m_contacts, sources = &m_sources, path = *m_source,
                  closing = m_closing.get_token()] {
        // Only the window closing stops an export: one the user started is finished for them.
        const store::StatementCancelScope cancel(closing);
        ExportOutcome outcome{qs(conversation.title), path, std::nullopt, {}};
        // Looked up here, not on the main thread: it reads the user-dirs file.
        const std::filesystem::path folder = exporter::downloadsFolder();
        // The detail of a failure is for diagnostics; the window names its kind in a short line.
        if (auto store = sources->openStore(path)) {
            if (auto written = exporter::exportConversation(*store, conversation, *index, folder)) {
                outcome.written = Exported{displayPath(written->file), outcome.title, written->built.messages,
                                           displayPath(written->file.parent_path())};
            } else {
                common::log(common::LogCategory::Export, "export failed: " + written.error().reason);
                outcome.reason = exportFailureReason(written.error(), folder);
            }
        } else {
            common::log(common::LogCategory::Export, "export failed: " + store::describe(store.error()));
            outcome.reason = qs(l10n::exportFailedSourceGone());
        } // the connection closes here, before the outcome is applied
        QMetaObject::invokeMethod(
            this,
            [this, outcome = std::move(outcome)]() mutable {
                applyExport(std::move(outcome));
            },
            Qt::QueuedConnection);
    });
}

void AppModel::applyExport(ExportOutcome outcome)
{
    setExportingID(std::nullopt);
    if (outcome.source != m_source) {
        common::log(common::LogCategory::App,
                    "export of " + outcome.source.string() + " done: another source is shown");
        return;
    }
    if (!outcome.written) {
        setError(qs(l10n::exportFailed()), std::move(outcome.reason));
        return;
    }
    setExported(std::move(outcome.written));
    setPhase(Phase::Done);
}

void AppModel::openUploadPage()
{
    if (m_exported)
        reveal(m_exported->path);
    const QUrl page = startURL();
    if (!m_services.openUrl(page))
        setUnopened(page.toString());
}

void AppModel::revealInFinder()
{
    if (m_exported)
        reveal(m_exported->path);
}

void AppModel::reveal(const QString &path)
{
    m_services.revealFile(path, [model = QPointer<AppModel>(this), path](bool shown) {
        // Without a file manager, the path itself tells the user where to look. An address that
        // could not be opened either is not hidden by it.
        if (model && !shown && !model->m_unopened)
            model->setUnopened(path);
    });
}

void AppModel::dismissUnopened()
{
    setUnopened(std::nullopt);
}

void AppModel::backToList()
{
    setExported(std::nullopt);
    setUnopened(std::nullopt);
    setPhase(Phase::List);
    load();
}

} // namespace app
