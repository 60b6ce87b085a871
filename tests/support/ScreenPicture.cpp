#include "ScreenPicture.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>
#include <QDBusInterface>
#include <QDBusReply>
#include <QDBusUnixFileDescriptor>
#include <QDeadlineTimer>
#include <QProcess>

namespace pausalo::testing {

namespace {

constexpr int PictureLimitMs = 10'000;

QImage PictureFromTool(const QString& program, const QStringList& arguments, QString* failure) {
  QProcess tool;
  tool.start(program, arguments);
  if (!tool.waitForFinished(PictureLimitMs) || tool.exitCode() != 0) {
    *failure = program + " took no picture: " + QString::fromLocal8Bit(tool.readAllStandardError());
    tool.kill();
    tool.waitForFinished();
    return {};
  }
  QImage picture = QImage::fromData(tool.readAllStandardOutput(), "PPM");
  if (picture.isNull()) *failure = program + " gave no picture that reads as PPM";
  return picture;
}

// Reads size bytes from the pipe: KWin writes the picture after its reply.
QByteArray ReadPixels(int descriptor, qsizetype size, QString* failure) {
  QByteArray content;
  const QDeadlineTimer deadline(PictureLimitMs);
  char buffer[65536];
  while (content.size() < size) {
    pollfd ready{descriptor, POLLIN, 0};
    if (poll(&ready, 1, static_cast<int>(deadline.remainingTime())) <= 0) {
      *failure = "KWin wrote no picture in time";
      return {};
    }
    const ssize_t got = read(descriptor, buffer, sizeof(buffer));
    if (got <= 0) {
      *failure = "KWin's picture is short";
      return {};
    }
    content.append(buffer, got);
  }
  return content;
}

constexpr char KWinPictures[] = "org.kde.KWin.ScreenShot2";

QImage PictureFromKWin(QString* failure) {
  int pipeEnds[2];
  if (pipe2(pipeEnds, O_CLOEXEC) != 0) {
    *failure = "no pipe";
    return {};
  }
  QDBusInterface screenshot("org.kde.KWin", "/org/kde/KWin/ScreenShot2", KWinPictures);
  screenshot.setTimeout(PictureLimitMs);
  const QDBusReply<QVariantMap> reply = screenshot.call("CaptureWorkspace", QVariantMap{},
                                                        QVariant::fromValue(QDBusUnixFileDescriptor(pipeEnds[1])));
  close(pipeEnds[1]);
  if (!reply.isValid()) {
    close(pipeEnds[0]);
    *failure = "KWin refused the picture: " + reply.error().message();
    return {};
  }
  const QVariantMap results = reply.value();
  const int width = results.value("width").toInt(), height = results.value("height").toInt();
  const int stride = results.value("stride").toInt();
  const auto format = static_cast<QImage::Format>(results.value("format").toInt());
  const QByteArray pixels = ReadPixels(pipeEnds[0], qsizetype(stride) * height, failure);
  close(pipeEnds[0]);
  if (pixels.isEmpty()) return {};
  return QImage(reinterpret_cast<const uchar*>(pixels.constData()), width, height, stride, format).copy();
}

}  // namespace

bool PictureSourceOffered(PictureSource source) {
  if (source != PictureSource::KWin) return true;
  QDBusInterface object("org.kde.KWin", "/org/kde/KWin/ScreenShot2", "org.freedesktop.DBus.Introspectable");
  object.setTimeout(PictureLimitMs);
  const QDBusReply<QString> description = object.call("Introspect");
  return description.isValid() && description.value().contains(KWinPictures);
}

QImage TakeScreenPicture(PictureSource source, QString* failure) {
  switch (source) {
    case PictureSource::Grim: return PictureFromTool("grim", {"-t", "ppm", "-"}, failure);
    case PictureSource::KWin: return PictureFromKWin(failure);
    case PictureSource::X11RootWindow: return PictureFromTool("import", {"-window", "root", "ppm:-"}, failure);
  }
  return {};
}

}  // namespace pausalo::testing
