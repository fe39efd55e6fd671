#include "contacts_file_chooser.h"

#include "app/texts.h"
#include "l10n/strings.h"

#include <QFile>
#include <QFileInfo>

#include <utility>

namespace ui
{

ContactsFileChooser::~ContactsFileChooser()
{
    // Nobody is left to answer: a chooser still open closes without calling back.
    if (m_dialog) {
        QObject::disconnect(m_dialog, &QFileDialog::finished, nullptr, nullptr);
        m_dialog->deleteLater();
    }
}

void ContactsFileChooser::choose(QWidget *parent,
                                 const QString &folder,
                                 std::function<void(std::optional<QString> chosen)> done)
{
    m_waiting.push_back(std::move(done));
    if (m_dialog) {
        m_dialog->raise();
        m_dialog->activateWindow();
        return;
    }
    m_dialog = new QFileDialog(parent, app::qs(l10n::contactsFileTitle()), folder,
                               QStringLiteral("vCard (*.vcf *.vcard *.VCF *.VCARD)"));
    m_dialog->setFileMode(QFileDialog::ExistingFile);
    m_dialog->setAcceptMode(QFileDialog::AcceptOpen);
    m_dialog->setAttribute(Qt::WA_DeleteOnClose);
    QFileDialog *dialog = m_dialog.data();
    QObject::connect(dialog, &QFileDialog::finished, dialog, [this, dialog](int result) {
        const QStringList files = dialog->selectedFiles();
        std::optional<QString> chosen;
        if (result == QDialog::Accepted && !files.isEmpty())
            chosen = QFileInfo(files.constFirst()).absoluteFilePath();
        m_dialog.clear();
        for (const auto &waiting : std::exchange(m_waiting, {}))
            waiting(chosen);
    });
    m_dialog->open();
}

} // namespace ui
