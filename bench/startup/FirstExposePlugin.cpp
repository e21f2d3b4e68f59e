// A Qt generic plugin that ends the process as soon as its first window has
// been exposed (and painted): loaded into an unchanged program through
//   QT_PLUGIN_PATH=<dir holding generic/> QT_QPA_GENERIC_PLUGINS=zelvanfirstexpose
// it turns "start the program" into "start the program and show its window".
// The process leaves with _exit(0), skipping everything after the first show.

#include <QCoreApplication>
#include <QEvent>
#include <QGenericPlugin>
#include <QMetaObject>
#include <QWindow>

#include <unistd.h>

namespace {

class TFirstExposeFilter : public QObject {
public:
  using QObject::QObject;

protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Expose && !leaving_) {
      const auto* window = qobject_cast<QWindow*>(watched);
      if (window != nullptr && window->isExposed()) {
        leaving_ = true;
        // After the expose has been handled, that is after the first paint.
        QMetaObject::invokeMethod(
            QCoreApplication::instance(), [] { _exit(0); }, Qt::QueuedConnection);
      }
    }
    return false;
  }

private:
  bool leaving_ = false;
};

}  // namespace

class TFirstExposePlugin : public QGenericPlugin {
  Q_OBJECT
  Q_PLUGIN_METADATA(IID QGenericPluginFactoryInterface_iid FILE "FirstExposePlugin.json")

public:
  QObject* create(const QString&, const QString&) override {
    auto* filter = new TFirstExposeFilter(QCoreApplication::instance());
    QCoreApplication::instance()->installEventFilter(filter);
    return filter;
  }
};

#include "FirstExposePlugin.moc"
