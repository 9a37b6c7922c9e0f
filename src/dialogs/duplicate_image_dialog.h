// The Duplicate Image dialog: asks for the name of a copy of the active document.
#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>
#include <QValidator>

class QLineEdit;
class QPushButton;

namespace varnel {

// The longest name the Duplicate Image dialog takes.
inline constexpr int kMaxDuplicateNameLength = 30;

// The name offered for a copy of a document named `name`: the name itself when it already ends
// with " copy", otherwise the name without its extension (the text before its last ".") followed
// by " copy"; when an open document already has that name, the first of "<base> 2", "<base> 3", …
// that none has. Characters a file name cannot hold (FileNameTextValidator) are left out, and
// a name longer than `maxLength` (none when 0) is shortened before its " copy" and number, so
// that those always remain.
QString proposedDuplicateName(const QString& name, const QStringList& openNames,
                              int maxLength = kMaxDuplicateNameLength);

// Refuses text holding a character that cannot be part of a file name on any system the
// documents may travel to: \ / : * ? " < > |. Typed characters and pasted text alike.
class FileNameTextValidator : public QValidator {
public:
    using QValidator::QValidator;
    static bool isRefused(QChar c);
    State validate(QString& input, int& pos) const override;
};

class DuplicateImageDialog : public QDialog {
    Q_OBJECT
public:
    static constexpr int kMaxNameLength = kMaxDuplicateNameLength;

    // For the document named `name`; `openNames` are the names of every open document (this one
    // included), against which the proposed name is made unique.
    DuplicateImageDialog(const QString& name, const QStringList& openNames,
                         QWidget* parent = nullptr);

    // The entered name without leading and trailing blanks.
    QString enteredName() const;

    QLineEdit* sourceField() const { return source_; }
    QLineEdit* nameField() const { return name_; }
    QPushButton* okButton() const { return ok_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void updateOk();

    QLineEdit* source_ = nullptr;
    QLineEdit* name_ = nullptr;
    QPushButton* ok_ = nullptr;
    bool sized_ = false;
};

}  // namespace varnel
