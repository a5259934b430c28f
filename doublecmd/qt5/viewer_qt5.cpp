// The Qt5 part: the viewer as a read-only QPlainTextEdit inside the host's widget.
#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QColor>
#include <QContextMenuEvent>
#include <QFile>
#include <QFont>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QPalette>
#include <QPlainTextEdit>
#include <QPointer>
#include <QStringList>
#include <QTextBlock>
#include <QTextCursor>

#include <map>
#include <memory>
#include <string>

#include "doublecmd/toolkit_api.h"

namespace {

// The keys that move the caret or the view; with Shift they select.
bool movesThroughText(const QKeyEvent& key) {
    if ((key.modifiers() & Qt::AltModifier) != 0) return false;
    switch (key.key()) {
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_Left:
        case Qt::Key_Right:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
        case Qt::Key_Home:
        case Qt::Key_End:
            return true;
        default:
            return false;
    }
}

class ViewerEdit : public QPlainTextEdit {
  public:
    ViewerEdit(QWidget* parent, const QvxViewerEvents& events)
        : QPlainTextEdit(parent), events_(events) {}

    void setViews(QStringList names, int current) {
        names_ = std::move(names);
        current_ = current;
    }

    // The host handles its keys (Find, the next file, closing) only when they reach a widget of
    // its own with the focus: the focus stays with the host's widget around the text, and only
    // the keys that move through the text come here.
    void takeMovesFrom(QWidget* host) {
        setFocusProxy(host);
        QWidget* keys = host;
        while (keys->focusProxy() != nullptr) keys = keys->focusProxy();
        keys->installEventFilter(this);
        keys_ = keys;
    }

    // A closed viewer takes no more keys, even before the toolkit deletes it.
    void releaseMoves() {
        if (keys_) keys_->removeEventFilter(this);
    }

    QvxRange shownLines() const {
        const QTextBlock first = firstVisibleBlock();
        const QTextBlock last = cursorForPosition(QPoint(0, viewport()->height() - 1)).block();
        if (!first.isValid() || !last.isValid()) return {0, 0};
        return {first.position(), last.position() + last.length() - 1};
    }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        // A key the text leaves alone comes back through the host's widget: once is enough.
        if (forwarding_ ||
            (event->type() != QEvent::KeyPress && event->type() != QEvent::KeyRelease) ||
            !movesThroughText(*static_cast<QKeyEvent*>(event)))
            return QPlainTextEdit::eventFilter(watched, event);
        forwarding_ = true;
        QCoreApplication::sendEvent(this, event);
        forwarding_ = false;
        return true;
    }

    // Every copy (the keys, the menu, the host's command) and every drag takes its text here.
    QMimeData* createMimeDataFromSelection() const override {
        const QTextCursor cursor = textCursor();
        std::size_t size = 0;
        const char* text =
            events_.copied(events_.context, cursor.selectionStart(), cursor.selectionEnd(), &size);
        auto mime = std::make_unique<QMimeData>();
        mime->setText(QString::fromUtf8(text, static_cast<int>(size)));
        return mime.release();  // the caller's
    }

    // The toolkit's own menu (Copy, Select All) with the views above it, numbered from 1 as
    // their mnemonics.
    void contextMenuEvent(QContextMenuEvent* event) override {
        try {
            // A child of this widget: gone with it, should the host close the viewer meanwhile.
            QPointer<QMenu> menu(createStandardContextMenu(event->pos()));
            QAction* first = menu->actions().value(0);
            auto* views = new QActionGroup(menu);
            for (int i = 0; i < names_.size(); ++i) {
                QString label = names_[i];
                label.replace(QLatin1Char('&'), QLatin1String("&&"));
                auto* action = new QAction(QStringLiteral("&%1 %2").arg(i + 1).arg(label), views);
                action->setCheckable(true);
                action->setChecked(i == current_);
                action->setData(i);
                menu->insertAction(first, action);
            }
            menu->insertSeparator(first);

            QPointer<ViewerEdit> alive(this);
            QAction* picked = menu->exec(event->globalPos());
            const int view =
                picked != nullptr && picked->actionGroup() == views ? picked->data().toInt() : -1;
            delete menu.data();
            // The host may have closed the viewer while the menu was open.
            if (alive && view >= 0) events_.chosen(events_.context, view);
        } catch (...) {
            // Nothing may unwind through Qt's event loop.
        }
    }

  private:
    QvxViewerEvents events_;
    bool forwarding_ = false;
    QPointer<QWidget> keys_;  // the host widget whose keys come here
    QStringList names_;
    int current_ = 0;
};

QColor colour(QvxRgb rgb) {
    return QColor(rgb.red, rgb.green, rgb.blue);
}

}  // namespace

struct QvxViewer {
    QPointer<ViewerEdit> edit;  // cleared when the host deletes it with its parent
};

namespace {

int addFont(const char* path) {
    static std::map<std::string, int> added;
    auto known = added.find(path);
    if (known != added.end()) return known->second;
    const QString file = QString::fromUtf8(path);
    int usable = 0;
    if (QFile::exists(file)) {
        const int id = QFontDatabase::addApplicationFont(file);
        usable = id >= 0 && !QFontDatabase::applicationFontFamilies(id).isEmpty() ? 1 : 0;
    }
    added.emplace(path, usable);
    return usable;
}

QvxViewer* create(void* parent, const QvxViewerEvents* events) {
    if (parent == nullptr || events == nullptr || events->chosen == nullptr ||
        events->copied == nullptr)
        return nullptr;
    auto* edit = new ViewerEdit(static_cast<QWidget*>(parent), *events);
    edit->setReadOnly(true);
    edit->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    edit->setLineWrapMode(QPlainTextEdit::NoWrap);
    edit->takeMovesFrom(static_cast<QWidget*>(parent));
    edit->show();
    return std::make_unique<QvxViewer>(QvxViewer{edit}).release();  // until destroy
}

void* widget(QvxViewer* viewer) {
    return viewer->edit.data();
}

void setLook(QvxViewer* viewer, const char* faceName, QvxRgb text, QvxRgb background) {
    if (!viewer->edit) return;
    QFont font = viewer->edit->font();
    font.setFamily(QString::fromUtf8(faceName));
    viewer->edit->setFont(font);
    QPalette palette = viewer->edit->palette();
    palette.setColor(QPalette::Text, colour(text));
    palette.setColor(QPalette::Base, colour(background));
    viewer->edit->setPalette(palette);
}

void setText(QvxViewer* viewer, const char* utf8, std::size_t size) {
    if (viewer->edit) viewer->edit->setPlainText(QString::fromUtf8(utf8, static_cast<int>(size)));
}

void setViews(QvxViewer* viewer, const char* const* names, int count, int current) {
    if (!viewer->edit) return;
    QStringList list;
    for (int i = 0; i < count; ++i) list << QString::fromUtf8(names[i]);
    viewer->edit->setViews(std::move(list), current);
}

void copy(QvxViewer* viewer) {
    if (viewer->edit) viewer->edit->copy();
}

void selectAll(QvxViewer* viewer) {
    if (viewer->edit) viewer->edit->selectAll();
}

QvxRange selection(QvxViewer* viewer) {
    if (!viewer->edit) return {0, 0};
    const QTextCursor cursor = viewer->edit->textCursor();
    return {cursor.selectionStart(), cursor.selectionEnd()};
}

QvxRange shownLines(QvxViewer* viewer) {
    return viewer->edit ? viewer->edit->shownLines() : QvxRange{0, 0};
}

void select(QvxViewer* viewer, std::int32_t begin, std::int32_t end) {
    if (!viewer->edit) return;
    QTextCursor cursor(viewer->edit->document());
    cursor.setPosition(begin);
    cursor.setPosition(end, QTextCursor::KeepAnchor);
    viewer->edit->setTextCursor(cursor);
    viewer->edit->ensureCursorVisible();
}

void beep(QvxViewer*) {
    QApplication::beep();
}

void destroy(QvxViewer* viewer) {
    const std::unique_ptr<QvxViewer> owned(viewer);
    if (viewer->edit) {
        viewer->edit->releaseMoves();
        viewer->edit->hide();
        // Deferred: the host may be inside one of the widget's own event handlers.
        viewer->edit->deleteLater();
    }
}

}  // namespace

extern "C" __attribute__((visibility("default"))) const QvxToolkitApi* qvxToolkitApi(
    std::uint32_t version) {
    static const QvxToolkitApi api{
        kToolkitApiVersion, "Qt5",     addFont,    create, widget, setLook, setText, setViews, copy,
        selectAll,          selection, shownLines, select, beep,   destroy};
    // Widgets need the host's QApplication; a Qt that only serves a plug-in of the host is not it.
    if (version != kToolkitApiVersion ||
        qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr)
        return nullptr;
    return &api;
}
