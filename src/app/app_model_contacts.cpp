#include "app_model.h"

#include "common/file_kind.h"
#include "export/downloads_folder.h"
#include "paths.h"

#include <QDir>
#include <QPointer>

// The contacts question of the model: asking, the answer, and skipping it.
namespace app
{

void AppModel::lookUpContactsFileFolder()
{
    m_contactsFileFolder = QDir::homePath();
    m_pool.start([this] {
        const std::filesystem::path downloads = exporter::downloadsFolder();
        if (!common::isFolder(downloads))
            return;
        QMetaObject::invokeMethod(
            this,
            [this, folder = displayPath(downloads)] {
                m_contactsFileFolder = folder;
            },
            Qt::QueuedConnection);
    });
}

void AppModel::skipContacts()
{
    setContactsProblem(std::nullopt);
    setPhase(Phase::List);
    load();
}

void AppModel::requestContacts()
{
    setContactsProblem(std::nullopt);
    m_services.requestContactsAccess([model = QPointer<AppModel>(this)](const ContactsAnswer &answer) {
        if (model)
            model->applyContactsAnswer(answer);
    });
}

void AppModel::applyContactsAnswer(const ContactsAnswer &answer)
{
    switch (answer.outcome) {
    case ContactsAnswer::Outcome::Cancelled:
        return; // nothing answered: the question, or the names read before, stay
    case ContactsAnswer::Outcome::FileRefused:
        if (m_phase == Phase::Contacts || m_phase == Phase::List)
            setContactsProblem(answer.problem);
        return;
    case ContactsAnswer::Outcome::Granted:
    case ContactsAnswer::Outcome::Refused:
        break;
    }
    if (m_phase == Phase::Contacts)
        setPhase(Phase::List);
    if (m_phase == Phase::List)
        load();
}

} // namespace app
