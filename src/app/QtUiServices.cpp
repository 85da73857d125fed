#include "QtUiServices.h"

#include "frmProperties.h"

#include <QDesktopServices>
#include <QDialog>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QIdentityProxyModel>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QUrl>

namespace {
QWidget* ownerWidget(QObject* owner)
{
    return qobject_cast<QWidget*>(owner);
}

struct Button {
    QMessageBox::StandardButton button;
    const char* text;
    MsgResult result;
};

QList<Button> buttonsOf(MsgButtons buttons)
{
    const Button ok{QMessageBox::Ok, "OK", MsgResult::Ok}, cancel{QMessageBox::Cancel, "キャンセル", MsgResult::Cancel},
        yes{QMessageBox::Yes, "はい(&Y)", MsgResult::Yes}, no{QMessageBox::No, "いいえ(&N)", MsgResult::No};
    switch (buttons) {
    case MsgButtons::Ok: return {ok};
    case MsgButtons::OkCancel: return {ok, cancel};
    case MsgButtons::YesNo: return {yes, no};
    case MsgButtons::YesNoCancel: return {yes, no, cancel};
    }
    return {ok};
}

// Qt's chooser writes a file's size and date in the machine's locale; this one in the
// program's.
class ProgramLocaleFiles : public QIdentityProxyModel {
public:
    using QIdentityProxyModel::QIdentityProxyModel;
    QVariant data(const QModelIndex& index, int role) const override
    {
        auto* files = qobject_cast<QFileSystemModel*>(sourceModel());
        if (files && role == Qt::DisplayRole) {
            const QModelIndex file = mapToSource(index);
            if (index.column() == 1 && !files->isDir(file))
                return QLocale().formattedDataSize(files->size(file));
            if (index.column() == 3)
                return QLocale().toString(files->lastModified(file), QLocale::ShortFormat);
        }
        return QIdentityProxyModel::data(index, role);
    }
};

QString chosenFile(QFileDialog& dialog)
{
    return dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty() ? dialog.selectedFiles().first()
                                                                                   : QString();
}
}  // namespace

std::unique_ptr<QMessageBox> QtUiServices::messageBox(const QString& text, MsgIcon icon, MsgButtons buttons,
                                                      const QString& caption, QWidget* owner)
{
    auto box = std::make_unique<QMessageBox>(owner);
    box->setWindowTitle(caption.isEmpty() ? AppTitle() : caption);
    box->setText(text);
    switch (icon) {
    case MsgIcon::Critical: box->setIcon(QMessageBox::Critical); break;
    case MsgIcon::Question: box->setIcon(QMessageBox::Question); break;
    case MsgIcon::Exclamation: box->setIcon(QMessageBox::Warning); break;
    case MsgIcon::Information: box->setIcon(QMessageBox::Information); break;
    case MsgIcon::None: break;
    }
    const QList<Button> list = buttonsOf(buttons);
    for (const Button& b : list)
        box->addButton(b.button)->setText(QObject::tr(b.text));
    box->setDefaultButton(qobject_cast<QPushButton*>(box->button(list.first().button)));
    return box;
}

std::unique_ptr<QFileDialog> QtUiServices::fileDialog(Chooser kind, const QString& title, const QString& filter,
                                                      const QString& start, QWidget* owner)
{
    auto dialog = std::make_unique<QFileDialog>(owner, title, start, filter);
    // Qt's own chooser, not the desktop's: it speaks the program's Japanese whatever the
    // desktop's language, and the same on every desktop.
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    dialog->setProxyModel(new ProgramLocaleFiles(dialog.get()));
    switch (kind) {
    case Chooser::Save:
        // The program asks about an existing file itself, and adds no extension.
        dialog->setAcceptMode(QFileDialog::AcceptSave);
        dialog->setFileMode(QFileDialog::AnyFile);
        dialog->setOption(QFileDialog::DontConfirmOverwrite);
        break;
    case Chooser::Open:
        dialog->setFileMode(QFileDialog::ExistingFile);
        break;
    case Chooser::Folder:
        dialog->setFileMode(QFileDialog::Directory);
        dialog->setOption(QFileDialog::ShowDirsOnly);
        break;
    }
    return dialog;
}

MsgResult QtUiServices::message(const QString& text, MsgIcon icon, MsgButtons buttons, const QString& caption,
                                QObject* owner)
{
    const std::unique_ptr<QMessageBox> box = messageBox(text, icon, buttons, caption, ownerWidget(owner));
    const int pressed = box->exec();
    for (const Button& b : buttonsOf(buttons))
        if (pressed == b.button)
            return b.result;
    return buttons == MsgButtons::YesNo ? MsgResult::No : MsgResult::Cancel;
}

QString QtUiServices::saveFileName(const QString& title, const QString& filter, const QString& initialName,
                                  QObject* owner)
{
    return chosenFile(*fileDialog(Chooser::Save, title, filter, initialName, ownerWidget(owner)));
}

QString QtUiServices::openFileName(const QString& title, const QString& filter, const QString& startFolder,
                                  QObject* owner)
{
    return chosenFile(*fileDialog(Chooser::Open, title, filter, startFolder, ownerWidget(owner)));
}

QString QtUiServices::browseFolder(const QString& title, QObject* owner)
{
    return chosenFile(*fileDialog(Chooser::Folder, title, QString(), QDir::homePath(), ownerWidget(owner)));
}

bool QtUiServices::shellOpen(const QString& target, QObject*)
{
    const QUrl url = QFileInfo::exists(target) ? QUrl::fromLocalFile(target) : QUrl(target);
    return QDesktopServices::openUrl(url);
}

void QtUiServices::showFileProperties(const QString& file, QObject* owner)
{
    frmProperties dialog(file, ownerWidget(owner));
    runDialog(&dialog);
}

int QtUiServices::runDialog(QObject* dialog)
{
    if (auto* d = qobject_cast<QDialog*>(dialog))
        return d->exec();
    return QDialog::Rejected;
}
