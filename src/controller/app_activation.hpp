#pragma once
// How a second start reaches the copy that runs: the running copy owns the
// app's id on the session bus and answers org.freedesktop.Application there,
// as desktops activate applications; a later start calls Activate on it and
// leaves. Where no tray shows the icon, this is the only way back to the app.

#include <optional>
#include <string>

#include <QByteArray>
#include <QDBusConnection>
#include <QObject>
#include <QStringList>
#include <QVariantList>
#include <QVariantMap>

class AppActivation : public QObject {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Application")
 public:
  explicit AppActivation(QObject* parent = nullptr) : QObject(parent) {}
  // Gives the name back, so that a later controller on the same connection
  // can take it.
  ~AppActivation() override;

  // Takes the app's id on `bus` and answers at its object path; the refusal
  // says why not.
  std::optional<std::string> publish(QDBusConnection bus);

 public slots:
  Q_SCRIPTABLE void Activate(const QVariantMap& platformData);
  // There are no files to open; opening still brings the app forward.
  Q_SCRIPTABLE void Open(const QStringList& uris, const QVariantMap& platformData);
  // The app declares no actions, so none is run.
  Q_SCRIPTABLE void ActivateAction(const QString& name, const QVariantList& parameter,
                                   const QVariantMap& platformData);

 signals:
  // The launcher's token, when the caller sent an acceptable one, is for the
  // window this activation shows and nothing else.
  void activated(const std::optional<QByteArray>& launchToken);

 private:
  std::optional<QDBusConnection> published_;
};

// Asks the copy that owns the app's id on `bus` to show itself, waiting on
// the event loop (so a copy in this very process can answer). A copy that
// holds the lock but has not taken the name yet gets a moment to do so. When
// the lock's holder is known, a name owned by any other process is refused
// at once: that program gets neither the call nor the launcher's token.
std::optional<std::string> activateRunningCopy(const QDBusConnection& bus, std::optional<long> holderPid);

// The same, saying on stderr and in the log when the running copy could not
// be reached; false then.
bool reachRunningCopy(const QDBusConnection& bus, std::optional<long> holderPid);
