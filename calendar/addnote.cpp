#include "calendar/addnote.h"

#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

addNote::addNote(QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Editing a note:"));
    setWindowModality(Qt::ApplicationModal);
    noteLabel = new QLabel(QStringLiteral("Note text:"), this);
    noteEdit = new QLineEdit(this);
    okButton = new QPushButton(QStringLiteral("OK"), this);
    deleteButton = new QPushButton(QStringLiteral("Удалить заметку"), this);
    connect(okButton, &QPushButton::clicked, this, &addNote::endEdit);
    connect(deleteButton, &QPushButton::clicked, this, &addNote::del_cl);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(noteLabel);
    layout->addWidget(noteEdit);
    layout->addWidget(okButton);
    layout->addWidget(deleteButton);
}

void addNote::prepare(const QString& title, const QString& text, bool canDelete)
{
    saveRequested = false;
    deleteRequested = false;
    deleteButton->setVisible(canDelete);
    setWindowTitle(title);
    noteLabel->setText(QStringLiteral("Note text:"));
    noteEdit->setText(text);
    noteEdit->selectAll();
    noteEdit->setFocus();
}

void addNote::endEdit()
{
    saveRequested = true;
    close();
}

void addNote::del_cl()
{
    const auto answer = QMessageBox::question(this, QStringLiteral("Deleting"),
                                              QStringLiteral("Do you really want to delete the selected?"),
                                              QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::NoButton);
    if (answer == QMessageBox::Ok)
        deleteRequested = true;
    close();
}
