#include "views/modal_alert.hpp"

#include <QMessageBox>
#include <QPushButton>

int runModalAlert(const ModalAlert& alert) {
  QMessageBox box;
  box.setWindowTitle(QStringLiteral("Quotalume"));
  box.setWindowModality(Qt::ApplicationModal);
  box.setIcon(alert.informational ? QMessageBox::Information : QMessageBox::NoIcon);
  box.setText(QString::fromStdString(alert.message));
  if (!alert.detail.empty()) box.setInformativeText(QString::fromStdString(alert.detail));
  std::vector<QPushButton*> added;
  for (const auto& title : alert.buttons) {
    added.push_back(box.addButton(QString::fromStdString(title),
                                  added.empty() ? QMessageBox::AcceptRole : QMessageBox::RejectRole));
  }
  if (!added.empty()) box.setDefaultButton(added.front());
  box.show();
  box.raise();
  box.activateWindow();
  box.exec();
  for (std::size_t i = 0; i < added.size(); ++i) {
    if (box.clickedButton() == added[i]) return int(i);
  }
  return -1;
}
