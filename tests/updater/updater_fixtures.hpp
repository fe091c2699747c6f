#pragma once
// A loopback HTTP server, zip archives made with libarchive, a view of the new
// log lines and captured user effects: what the updater tests share.

#include <archive.h>
#include <archive_entry.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include <QCoreApplication>
#include <QSettings>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>

#include "store/process_paths.hpp"
#include "support/event_wait.hpp"
#include "updater/settings_file.hpp"
#include "updater/update_check.hpp"
#include "updater/user_effects.hpp"

inline std::string readAll(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

// The log lines written since construction.
struct LogLines {
  std::size_t start = readAll(logURL()).size();
  std::string text() const { return readAll(logURL()).substr(start); }
  bool has(const std::string& message) const {
    return text().find(" " + message + "\n") != std::string::npos;
  }
  int count(const std::string& part) const {
    const std::string t = text();
    int n = 0;
    for (auto at = t.find(part); at != std::string::npos; at = t.find(part, at + 1)) ++n;
    return n;
  }
};

// Answers each path with a fixed status and body, one request per connection.
// A trickling answer promises more than its body, sends the body, then one
// more byte every `trickleMs` (never, for 0) and never ends.
class LocalServer {
 public:
  struct Answer {
    int status = 200;
    std::string body;
    int trickleMs = -1;
  };
  std::map<std::string, Answer> routes;
  std::vector<std::string> heads;  // every request head received

  LocalServer() {
    server_.listen(QHostAddress::LocalHost, 0);
    QObject::connect(&server_, &QTcpServer::newConnection, [this] {
      while (QTcpSocket* socket = server_.nextPendingConnection()) {
        QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket] { serve(*socket); });
        QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
      }
    });
  }
  std::string url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(server_.serverPort()) + path;
  }

 private:
  void serve(QTcpSocket& socket) {
    std::string& head = buffers_[&socket];
    head += socket.readAll().toStdString();
    if (head.find("\r\n\r\n") == std::string::npos) return;
    heads.push_back(head);
    const auto start = head.find(' ') + 1;
    const auto found = routes.find(head.substr(start, head.find(' ', start) - start));
    const Answer answer = found == routes.end() ? Answer{404, "missing"} : found->second;
    const std::size_t length = answer.body.size() + (answer.trickleMs < 0 ? 0 : 1 << 20);
    const std::string response = "HTTP/1.1 " + std::to_string(answer.status) +
                                 " X\r\nContent-Length: " + std::to_string(length) +
                                 "\r\nConnection: close\r\n\r\n" + answer.body;
    socket.write(response.data(), qint64(response.size()));
    buffers_.erase(&socket);
    if (answer.trickleMs < 0) {
      socket.disconnectFromHost();
    } else if (answer.trickleMs > 0) {
      auto* timer = new QTimer(&socket);
      QObject::connect(timer, &QTimer::timeout, &socket, [&socket] { socket.write("x", 1); });
      timer->start(answer.trickleMs);
    }
  }
  QTcpServer server_;
  std::map<QTcpSocket*, std::string> buffers_;
};

struct ZipEntry {
  std::string name;
  std::string data;
  unsigned type = AE_IFREG;
  unsigned mode = 0644;
  std::string link;  // symlink target
};

inline ZipEntry zipFile(std::string name, std::string data, unsigned mode = 0644) {
  return {std::move(name), std::move(data), AE_IFREG, mode, ""};
}
inline ZipEntry zipDir(std::string name) {
  return {std::move(name), "", AE_IFDIR, 0755, ""};
}
inline ZipEntry zipLink(std::string name, std::string target) {
  return {std::move(name), "", AE_IFLNK, 0777, std::move(target)};
}

inline std::string makeZip(const std::vector<ZipEntry>& entries) {
  std::vector<char> buffer(std::size_t(4) << 20);
  size_t used = 0;
  archive* a = archive_write_new();
  archive_write_set_format_zip(a);
  archive_write_open_memory(a, buffer.data(), buffer.size(), &used);
  for (const auto& e : entries) {
    archive_entry* entry = archive_entry_new();
    archive_entry_set_pathname(entry, e.name.c_str());
    archive_entry_set_filetype(entry, e.type);
    archive_entry_set_perm(entry, e.mode);
    if (e.type == AE_IFLNK) archive_entry_set_symlink(entry, e.link.c_str());
    archive_entry_set_size(entry, e.type == AE_IFREG ? la_int64_t(e.data.size()) : 0);
    archive_write_header(a, entry);
    if (e.type == AE_IFREG) archive_write_data(a, e.data.data(), e.data.size());
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

// A release archive holding Quotalume.app at its top level.
inline std::string bundleZip(const std::string& version, const std::string& identifier = ourId,
                             std::vector<ZipEntry> extra = {}) {
  std::vector<ZipEntry> entries = {zipDir("Quotalume.app/"),
                                   zipFile("Quotalume.app/Info.json", infoJSON(identifier, version)),
                                   zipFile("Quotalume.app/bin/quotalume", versionScript(version), 0755)};
  entries.insert(entries.end(), extra.begin(), extra.end());
  return makeZip(entries);
}

inline void setFeedSetting(const std::string& url) {
  QSettings settings(userSettingsFile(), QSettings::IniFormat);
  if (url.empty())
    settings.remove("updateFeed");
  else
    settings.setValue("updateFeed", QString::fromStdString(url));
}

// Replaces the alerts, the browser and quitting with recorders for one test.
struct CapturedEffects {
  std::vector<std::string> infos, offers, failures, opened;
  int quits = 0;

  CapturedEffects() {
    auto& e = Updater::userEffects();
    e.info = [this](const std::string& m) { infos.push_back(m); };
    e.offer = [this](const std::string& m, const std::string& d) {
      offers.push_back(m + " | " + d);
      return false;
    };
    e.installFailed = [this](const std::string& m) { failures.push_back(m); };
    e.openURL = [this](const std::string& u) { opened.push_back(u); };
    e.quit = [this] { ++quits; };
  }
  ~CapturedEffects() { Updater::userEffects() = Updater::defaultUserEffects(); }
};
