#include "app/CanDialog.h"

#include <QPushButton>
#include <QRegularExpression>
#include <QRegularExpressionValidator>

#include "ui_CanDialog.h"

namespace {

constexpr int kCanDigits = 6;

}  // namespace

TCanDialog::TCanDialog(QWidget* parent) : QDialog(parent), ui_(std::make_unique<Ui::CanDialog>()) {
  ui_->setupUi(this);
  ui_->eCan->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,6}")), ui_->eCan));
  ui_->bTamam->setEnabled(false);
  connect(ui_->eCan, &QLineEdit::textChanged, this,
          [this](const QString& text) { ui_->bTamam->setEnabled(text.size() == kCanDigits); });
  connect(ui_->bTamam, &QPushButton::clicked, this, &QDialog::accept);
  connect(ui_->bIptal, &QPushButton::clicked, this, &QDialog::reject);
}

// setText, unlike clear(), also drops the box's undo history, which would keep the digits.
TCanDialog::~TCanDialog() { ui_->eCan->setText(QString()); }

std::optional<TSecretBuffer> TCanDialog::TakeCan() {
  QString text = ui_->eCan->text();
  ui_->eCan->setText(QString());
  std::optional<TSecretBuffer> can;
  if (result() == QDialog::Accepted && text.size() == kCanDigits) {
    can.emplace(static_cast<std::size_t>(kCanDigits));
    for (int i = 0; i < kCanDigits; ++i) can->data()[i] = static_cast<std::uint8_t>(text.at(i).unicode());
  }
  // The copy taken out of the box is overwritten before it goes.
  text.fill(QLatin1Char('0'));
  return can;
}

std::optional<TSecretBuffer> AskCanInDialog(QWidget* parent) {
  TCanDialog dialog(parent);
  dialog.exec();
  return dialog.TakeCan();
}
