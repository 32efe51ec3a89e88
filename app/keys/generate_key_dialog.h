#pragma once

#include "dialogs/sheet_dialog.h"
#include "model/key_requests.h"

#include <QFuture>
#include <functional>
#include <optional>
#include <string>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace moorkeep {

class FailureBox;
class SecretField;

// Asks for a new key pair's file name, display name, e-mail comment, type
// and passphrase (typed twice alike), and hands the request to onGenerate. Stays open and busy
// until its owner closes it; a failure of onGenerate's future is shown here
// and the user may try again.
class GenerateKeyDialog : public SheetDialog {
    Q_OBJECT

public:
    static constexpr int width = 460;

    using OnGenerate = std::function<QFuture<void>(const GenerateKeyOptions& options,
                                                   const std::optional<std::string>& displayName)>;

    GenerateKeyDialog(OnGenerate onGenerate, std::function<void()> onCancel,
                      QWidget* parent = nullptr);
    ~GenerateKeyDialog() override;

    bool isGenerating() const { return generating_; }
    // The passphrase is wiped.
    void dismiss() override;

protected:
    void showEvent(QShowEvent* event) override;
    bool isBusy() const override { return generating_; }

private:
    bool isValid() const;
    void update();
    void generate();
    void failed(const std::optional<QString>& message);

    OnGenerate onGenerate_;
    bool generating_ = false;

    QLineEdit* fileNameField_;
    QLabel* fileNameHint_;
    QLineEdit* displayNameField_;
    QLineEdit* emailField_;
    QLabel* emailProblem_;
    QComboBox* typeBox_;
    SecretField* passphraseField_;
    SecretField* confirmField_;
    QLabel* mismatch_;
    FailureBox* failure_;
    QPushButton* cancelButton_;
    QPushButton* generateButton_;
};

} // namespace moorkeep
