#pragma once
// What the updater tests share: a loopback HTTP server as the feed, zip
// archives, the new log lines and the user effects in the order they happened.

#include <archive.h>
#include <archive_entry.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include <QSettings>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include "store/process_paths.hpp"
#include "store/settings_file.hpp"
#include "support/event_wait.hpp"
#include "support/file_text.hpp"
#include "updater/time_limits.hpp"
#include "updater/update_check.hpp"
#include "updater/user_effects.hpp"

// The messages logged since construction, without their time stamps.
struct LogLines {
  std::size_t start = readAll(logPath()).size();
  std::vector<std::string> messages() const {
    std::vector<std::string> out;
    std::istringstream in(readAll(logPath()).substr(start));
    for (std::string line; std::getline(in, line);) out.push_back(line.substr(line.find(' ') + 1));
    return out;
  }
};

// Gives every request the same answer, one request per connection. A
// trickling answer promises more than its body, sends the body, then one more
// byte every `trickleMs` (never, for 0) and never ends.
class LocalServer {
 public:
  struct Answer {
    std::string body;
    int status = 200;
    int trickleMs = -1;
  };
  Answer answer;
  std::vector<std::string> heads;  // every request head received

  LocalServer() {
    server_.listen(QHostAddress::LocalHost, 0);
    QObject::connect(&server_, &QTcpServer::newConnection, [this] {
      while (QTcpSocket* socket = server_.nextPendingConnection()) {
        QObject::connect(socket, &QTcpSocket::readyRead, socket,
                         [this, socket, head = std::string()]() mutable { serve(*socket, head); });
        QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
      }
    });
  }
  std::string url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(server_.serverPort()) + path;
  }

 private:
  void serve(QTcpSocket& socket, std::string& head) {
    head += socket.readAll().toStdString();
    if (head.find("\r\n\r\n") == std::string::npos) return;
    heads.push_back(head);
    const std::size_t length = answer.body.size() + (answer.trickleMs < 0 ? 0 : 1 << 20);
    const std::string response = "HTTP/1.1 " + std::to_string(answer.status) +
                                 " X\r\nContent-Length: " + std::to_string(length) +
                                 "\r\nConnection: close\r\n\r\n" + answer.body;
    socket.write(response.data(), qint64(response.size()));
    if (answer.trickleMs < 0) {
      socket.disconnectFromHost();
    } else if (answer.trickleMs > 0) {
      auto* timer = new QTimer(&socket);
      QObject::connect(timer, &QTimer::timeout, &socket, [&socket] { socket.write("x", 1); });
      timer->start(answer.trickleMs);
    }
  }
  QTcpServer server_;
};

struct ZipEntry {
  std::string name;
  std::string data = "";
  unsigned mode = 0644;
  std::string link = "";
};

inline std::string makeZip(const std::vector<ZipEntry>& entries) {
  std::vector<char> buffer(std::size_t(4) << 20);
  size_t used = 0;
  archive* a = archive_write_new();
  archive_write_set_format_zip(a);
  archive_write_open_memory(a, buffer.data(), buffer.size(), &used);
  for (const auto& e : entries) {
    archive_entry* entry = archive_entry_new();
    archive_entry_set_pathname(entry, e.name.c_str());
    archive_entry_set_filetype(entry, e.link.empty() ? AE_IFREG : AE_IFLNK);
    archive_entry_set_perm(entry, e.mode);
    if (!e.link.empty()) archive_entry_set_symlink(entry, e.link.c_str());
    archive_entry_set_size(entry, la_int64_t(e.data.size()));
    archive_write_header(a, entry);
    archive_write_data(a, e.data.data(), e.data.size());
    archive_entry_free(entry);
  }
  archive_write_close(a);
  archive_write_free(a);
  return std::string(buffer.data(), used);
}

inline const std::string ourId = "kr.co.fernhallow.Quotalume";

inline std::string infoJSON(const std::string& identifier, const std::string& version) {
  return R"({"identifier": ")" + identifier + R"(", "version": ")" + version + "\"}";
}

// A stand-in for the app's binary that answers --version like the real one.
inline std::string versionScript(const std::string& version) {
  return "#!/bin/sh\necho 'Quotalume " + version + "'\n";
}

// A release archive holding Quotalume.app at its top level, then `extra`.
inline std::string bundleZip(const std::string& version, const std::string& identifier = ourId,
                             std::vector<ZipEntry> extra = {}) {
  extra.insert(extra.begin(), {{"Quotalume.app/Info.json", infoJSON(identifier, version)},
                               {"Quotalume.app/bin/quotalume", versionScript(version), 0755}});
  return makeZip(extra);
}

// The loopback server as the feed, and the alerts, the browser, quitting and
// each reported feed replaced with one record, a line each: "info: …",
// "offer: title | detail" (declined), "failed: …", "open: …", "quit",
// "feed <support or ->". Every limit is put back afterwards.
struct UpdaterFixture : ::testing::Test {
  LocalServer server;
  std::string seen;
  Updater::Updates updates;

  // An empty address leaves the feed on the maker's site.
  static void setFeed(const std::string& url) {
    QSettings(QString::fromStdString(Settings::userFile().string()), QSettings::IniFormat)
        .setValue("updateFeed", QString::fromStdString(url));
  }
  void SetUp() override {
    auto& e = updates.services().effects;
    e.info = [this](const std::string& m) { seen += "info: " + m + "\n"; };
    e.offer = [this](const std::string& m, const std::string& d) {
      seen += "offer: " + m + " | " + d + "\n";
      return false;
    };
    e.installFailed = [this](const std::string& m) { seen += "failed: " + m + "\n"; };
    e.openURL = [this](const std::string& u) { seen += "open: " + u + "\n"; };
    e.quit = [this] { seen += "quit\n"; };
    updates.services().onFeed = [this](const std::optional<std::string>& support, EpochSeconds) {
      seen += "feed " + support.value_or("-") + "\n";
    };
    setFeed(server.url("/feed"));
  }
  void TearDown() override {
    Updater::timeLimits() = {};
    setFeed("");
  }
};
