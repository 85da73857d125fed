#include "QtUiServices.h"

#include "frmProperties.h"

#include <QDesktopServices>
#include <QDialog>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QUrl>

namespace {
QWidget* ownerWidget(QObject* owner)
{
    return qobject_cast<QWidget*>(owner);
}
}  // namespace

MsgResult QtUiServices::message(const QString& text, MsgIcon icon, MsgButtons buttons, const QString& caption,
                                QObject* owner)
{
    QMessageBox box(ownerWidget(owner));
    box.setWindowTitle(caption.isEmpty() ? AppTitle() : caption);
    box.setText(text);
    switch (icon) {
    case MsgIcon::Critical: box.setIcon(QMessageBox::Critical); break;
    case MsgIcon::Question: box.setIcon(QMessageBox::Question); break;
    case MsgIcon::Exclamation: box.setIcon(QMessageBox::Warning); break;
    case MsgIcon::Information: box.setIcon(QMessageBox::Information); break;
    case MsgIcon::None: break;
    }
    struct B { QMessageBox::StandardButton b; const char* text; MsgResult result; };
    const B ok{QMessageBox::Ok, "OK", MsgResult::Ok}, cancel{QMessageBox::Cancel, "キャンセル", MsgResult::Cancel},
        yes{QMessageBox::Yes, "はい(&Y)", MsgResult::Yes}, no{QMessageBox::No, "いいえ(&N)", MsgResult::No};
    QList<B> list;
    switch (buttons) {
    case MsgButtons::Ok: list = {ok}; break;
    case MsgButtons::OkCancel: list = {ok, cancel}; break;
    case MsgButtons::YesNo: list = {yes, no}; break;
    case MsgButtons::YesNoCancel: list = {yes, no, cancel}; break;
    }
    for (const B& b : list)
        box.addButton(b.b)->setText(QObject::tr(b.text));
    box.setDefaultButton(qobject_cast<QPushButton*>(box.button(list.first().b)));
    const int pressed = box.exec();
    for (const B& b : list)
        if (pressed == b.b)
            return b.result;
    return buttons == MsgButtons::YesNo ? MsgResult::No : MsgResult::Cancel;
}

QString QtUiServices::saveFileName(const QString& title, const QString& filter, const QString& initialName,
                                  QObject* owner)
{
    // The program asks about an existing file itself, and adds no extension.
    return QFileDialog::getSaveFileName(ownerWidget(owner), title, initialName, filter, nullptr,
                                        QFileDialog::DontConfirmOverwrite);
}

QString QtUiServices::openFileName(const QString& title, const QString& filter, const QString& startFolder,
                                  QObject* owner)
{
    return QFileDialog::getOpenFileName(ownerWidget(owner), title, startFolder, filter);
}

QString QtUiServices::browseFolder(const QString& title, QObject* owner)
{
    return QFileDialog::getExistingDirectory(ownerWidget(owner), title, QDir::homePath());
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
