#pragma once
// The dialog that asks the operator for the card access number (CAN), the
// six digits printed on the front of an ID card, which PACE takes as its
// password (CanDialog.ui). "Tamam" is enabled once six digits stand in the
// box; "İptal" gives no CAN. The CAN is a secret: it is taken out of the box
// once, the box emptied, and nothing of it stays with the dialog.

#include <memory>
#include <optional>

#include <QDialog>

#include "crypto/SecretBuffer.h"

namespace Ui {
class CanDialog;
}

class TCanDialog : public QDialog {
  Q_OBJECT

public:
  explicit TCanDialog(QWidget* parent = nullptr);
  ~TCanDialog() override;

  Ui::CanDialog& Form() { return *ui_; }
  // The CAN typed (its digits as characters) once the dialog was accepted,
  // else nothing; the box is emptied either way.
  std::optional<TSecretBuffer> TakeCan();

private:
  std::unique_ptr<Ui::CanDialog> ui_;
};

// Shows the dialog modally over parent: the CAN typed, or nothing when the
// operator cancels.
std::optional<TSecretBuffer> AskCanInDialog(QWidget* parent);
