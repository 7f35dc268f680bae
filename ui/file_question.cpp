#include "file_question.h"

#include <QFileDialog>

void askForFile(QWidget *parent, const FileQuestion &question, std::function<void(const QString &path)> chosen)
{
    auto *dialog = new QFileDialog(parent, question.title, question.where, question.filter);
    dialog->setObjectName(question.objectName);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    if (question.save) {
        dialog->setAcceptMode(QFileDialog::AcceptSave);
        dialog->setDefaultSuffix(question.suffix);
        dialog->setOption(QFileDialog::DontConfirmOverwrite, !question.replaceOffered);
    } else {
        dialog->setAcceptMode(QFileDialog::AcceptOpen);
        dialog->setFileMode(QFileDialog::ExistingFile);
    }
    QObject::connect(dialog, &QFileDialog::fileSelected, parent, std::move(chosen));
    dialog->open();
}
