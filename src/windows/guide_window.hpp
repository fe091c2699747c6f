#pragma once
// The first-run window that sends the user to install the browser extension.

#include <functional>
#include <memory>

#include <QDialog>
#include <QObject>
#include <QString>
#include <QUrl>

class GuideWindow : public QObject {
  Q_OBJECT
 public:
  using Opener = std::function<void(const QUrl&)>;
  using TargetSource = std::function<QUrl()>;

  // By default the page is opened by the desktop and the target asked of
  // Links::installTarget; tests pass their own.
  explicit GuideWindow(Opener opener = {}, TargetSource target = {}, QObject* parent = nullptr);
  ~GuideWindow() override;

  // A new, not yet shown window whose buttons act on this object.
  std::unique_ptr<QDialog> make();

  // Replaces any current window with a new one, centred and in front.
  void show();

  QDialog* window() const { return window_.get(); }

  // A paragraph added below the body, for example when the desktop shows no
  // tray icons; empty for none.
  void setNote(const QString& note) { note_ = note; }

  static QString title();
  static QString bodyText();

 public slots:
  void openPage();
  void closeIt();

 private:
  std::unique_ptr<QDialog> window_;
  Opener opener_;
  TargetSource target_;
  QString note_;
};

// The guide's extra paragraph on a desktop without a tray.
QString noTrayNote();
