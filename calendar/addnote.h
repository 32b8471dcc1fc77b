#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

// The dialog in which the text of one note is written, edited or deleted.
// One lives with each month view and is reused; the caller reads the two
// flags after it closes.
class addNote : public QDialog
{
    Q_OBJECT
public:
    explicit addNote(QWidget* parent = nullptr);

    // Clears both flags and sets the title and the text, all of it selected
    // so that typing replaces it; the delete button only for a stored note.
    void prepare(const QString& title, const QString& text, bool canDelete);

    QLineEdit* noteEdit = nullptr;
    QLabel* noteLabel = nullptr;
    QPushButton* okButton = nullptr;
    QPushButton* deleteButton = nullptr;
    bool saveRequested = false;
    bool deleteRequested = false;

private slots:
    void endEdit();
    void del_cl();
};
