#pragma once

#include <QFileDialog>
#include <QPointer>
#include <QString>

#include <functional>
#include <optional>
#include <vector>

class QWidget;

namespace ui
{

// The chooser of a contacts file: titled for a vCard, showing only *.vcf and *.vcard files, opening
// in the folder it is given. One at a time: asked again while it is open, it comes forward and
// every asker gets the same answer.
class ContactsFileChooser
{
public:
    ContactsFileChooser() = default;
    ~ContactsFileChooser();
    Q_DISABLE_COPY_MOVE(ContactsFileChooser)

    // Opens the chooser over `parent` in `folder`; `done` learns the chosen file's absolute path, or
    // none on a cancel, on the main thread after this returns.
    void choose(QWidget *parent, const QString &folder, std::function<void(std::optional<QString> chosen)> done);

    // The chooser while it is open.
    QFileDialog *dialog() const { return m_dialog; }

private:
    QPointer<QFileDialog> m_dialog;
    std::vector<std::function<void(std::optional<QString>)>> m_waiting;
};

} // namespace ui
