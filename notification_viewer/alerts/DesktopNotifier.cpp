#include "DesktopNotifier.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QTimer>
#include <algorithm>

namespace cadro::notify_detail {

constexpr const char* kService = "org.freedesktop.Notifications";
constexpr const char* kPath = "/org/freedesktop/Notifications";
constexpr int kCallTimeoutMs = 5000;

// The service's raw image: width, height, row stride, alpha, bits per sample, channels, bytes.
struct ImageData {
  int width = 0;
  int height = 0;
  int rowStride = 0;
  bool hasAlpha = true;
  int bitsPerSample = 8;
  int channels = 4;
  QByteArray bytes;
};

}  // namespace cadro::notify_detail

Q_DECLARE_METATYPE(cadro::notify_detail::ImageData)

namespace cadro::notify_detail {

QDBusArgument& operator<<(QDBusArgument& out, const ImageData& image) {
  out.beginStructure();
  out << image.width << image.height << image.rowStride << image.hasAlpha << image.bitsPerSample
      << image.channels << image.bytes;
  out.endStructure();
  return out;
}

const QDBusArgument& operator>>(const QDBusArgument& in, ImageData& image) {
  in.beginStructure();
  in >> image.width >> image.height >> image.rowStride >> image.hasAlpha >> image.bitsPerSample >>
      image.channels >> image.bytes;
  in.endStructure();
  return in;
}

QVariant ToImageData(const QImage& icon) {
  if (icon.isNull()) return {};
  static const int registered = [] {
    qDBusRegisterMetaType<ImageData>();
    return 0;
  }();
  (void)registered;
  const QImage rgba = icon.convertToFormat(QImage::Format_RGBA8888);
  ImageData data;
  data.width = rgba.width();
  data.height = rgba.height();
  data.rowStride = static_cast<int>(rgba.bytesPerLine());
  data.bytes = QByteArray(reinterpret_cast<const char*>(rgba.constBits()), rgba.sizeInBytes());
  return QVariant::fromValue(data);
}

QString BodyText(QString text, bool markup) {
  // A popup is no place for a long text: the window has it whole.
  constexpr int kMaxChars = 300;
  if (text.size() > kMaxChars) text = text.left(kMaxChars - 1) + QChar(0x2026);
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  // A note's own "<" or "&" must show as written, not as markup.
  return markup ? text.toHtmlEscaped() : text;
}

}  // namespace cadro::notify_detail

namespace cadro {
using namespace notify_detail;

DesktopNotifier::DesktopNotifier(QDBusConnection bus, EventLog& eventLog, QString iconPath, QImage icon,
                                 QObject* parent)
    : QObject(parent),
      bus_(std::move(bus)),
      eventLog_(eventLog),
      iconPath_(std::move(iconPath)),
      imageData_(ToImageData(icon)) {
  if (!bus_.isConnected()) return;
  // Whether the service reads markup in the body decides how a note's "<" and "&" are sent.
  const QDBusMessage ask =
      QDBusMessage::createMethodCall(QLatin1String(kService), QLatin1String(kPath), QLatin1String(kService),
                                     QStringLiteral("GetCapabilities"));
  auto* call = new QDBusPendingCallWatcher(bus_.asyncCall(ask, kCallTimeoutMs), this);
  connect(call, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* answer) {
    answer->deleteLater();
    const QDBusPendingReply<QStringList> reply = *answer;
    if (!reply.isError()) markup_ = reply.value().contains(QStringLiteral("body-markup"));
  });
}

QString DesktopNotifier::Summary(int count) {
  if (count == 1) return QStringLiteral("New notification");
  return QStringLiteral("%1 new notifications").arg(count);
}

QString DesktopNotifier::Body(int count, const QStringList& newestFirst, bool markup) {
  QStringList lines;
  for (const QString& text : newestFirst) lines << BodyText(text, markup);
  const int more = count - static_cast<int>(newestFirst.size());
  if (more > 0) lines << QStringLiteral("(%1 more)").arg(more);
  return lines.join(QLatin1Char('\n'));
}

std::uint8_t DesktopNotifier::Urgency(std::int16_t level) {
  return static_cast<std::uint8_t>(std::clamp<int>(level, 0, 2));
}

void DesktopNotifier::SetEnabled(bool on) {
  enabled_ = on;
  if (!on) fresh_ = true;
}

void DesktopNotifier::Add(std::int16_t level, const QString& message) {
  if (!enabled_) return;
  if (fresh_) {
    count_ = 0;
    urgency_ = 0;
    newest_.clear();
    fresh_ = false;
  }
  ++count_;
  urgency_ = std::max(urgency_, Urgency(level));
  newest_.push_front(message);
  if (newest_.size() > static_cast<std::size_t>(kBodyLines)) newest_.pop_back();
  Schedule();
}

void DesktopNotifier::Seen() {
  // Notes not yet sent still go out; the note after them starts a new count. The notification
  // on screen (id_) stays the one to replace, so a new count never piles up beside the old.
  fresh_ = true;
}

void DesktopNotifier::Schedule() {
  if (scheduled_) return;
  scheduled_ = true;
  QTimer::singleShot(0, this, &DesktopNotifier::Send);
}

void DesktopNotifier::Send() {
  scheduled_ = false;
  if (!enabled_ || count_ == 0) return;
  if (inFlight_) {
    dirty_ = true;  // goes out, replacing, when the answer with the id is in
    return;
  }
  if (!bus_.isConnected()) {
    Failed(QStringLiteral("no session bus"));
    emit delivered(false);
    return;
  }
  QDBusMessage call = QDBusMessage::createMethodCall(QLatin1String(kService), QLatin1String(kPath),
                                                     QLatin1String(kService), QStringLiteral("Notify"));
  QVariantMap hints;
  hints.insert(QStringLiteral("urgency"), QVariant::fromValue<uchar>(urgency_));
  hints.insert(QStringLiteral("desktop-entry"), QStringLiteral("Vtnote"));
  if (imageData_.isValid()) hints.insert(QStringLiteral("image-data"), imageData_);
  const QStringList newest(newest_.begin(), newest_.end());
  call << QStringLiteral("Vtnote") << static_cast<uint>(id_) << iconPath_ << Summary(count_)
       << Body(count_, newest, markup_) << QStringList() << hints << -1;
  inFlight_ = true;
  dirty_ = false;
  auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(call, kCallTimeoutMs), this);
  connect(watcher, &QDBusPendingCallWatcher::finished, this, &DesktopNotifier::Answered);
}

void DesktopNotifier::Answered(QDBusPendingCallWatcher* call) {
  call->deleteLater();
  inFlight_ = false;
  const QDBusPendingReply<uint> reply = *call;
  const bool ok = !reply.isError();
  if (ok) {
    id_ = reply.value();
    failedOnce_ = false;
  } else {
    Failed(reply.error().name() + QStringLiteral(": ") + reply.error().message());
  }
  if (dirty_) Schedule();
  emit delivered(ok);
}

void DesktopNotifier::Failed(const QString& what) {
  if (failedOnce_) return;
  failedOnce_ = true;
  eventLog_.Error("Desktop notification not delivered: " + what.toStdString());
}

}  // namespace cadro
