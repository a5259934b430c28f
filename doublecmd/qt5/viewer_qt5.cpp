// The Qt5 part: the viewer as a read-only QPlainTextEdit inside the host's widget.
#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QColor>
#include <QContextMenuEvent>
#include <QFile>
#include <QFont>
#include <QFontDatabase>
#include <QMenu>
#include <QPalette>
#include <QPlainTextEdit>
#include <QPointer>
#include <QStringList>

#include <map>
#include <memory>
#include <string>

#include "doublecmd/toolkit_api.h"

namespace {

class ViewerEdit : public QPlainTextEdit {
  public:
    ViewerEdit(QWidget* parent, QvxViewChosen chosen, void* context)
        : QPlainTextEdit(parent), chosen_(chosen), context_(context) {}

    void setViews(QStringList names, int current) {
        names_ = std::move(names);
        current_ = current;
    }

  protected:
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
            if (alive && view >= 0) chosen_(context_, view);
        } catch (...) {
            // Nothing may unwind through Qt's event loop.
        }
    }

  private:
    QvxViewChosen chosen_;
    void* context_;
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

QvxViewer* create(void* parent, QvxViewChosen chosen, void* context) {
    if (parent == nullptr || chosen == nullptr) return nullptr;
    auto* edit = new ViewerEdit(static_cast<QWidget*>(parent), chosen, context);
    edit->setReadOnly(true);
    edit->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    edit->setLineWrapMode(QPlainTextEdit::NoWrap);
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

void destroy(QvxViewer* viewer) {
    const std::unique_ptr<QvxViewer> owned(viewer);
    if (viewer->edit) {
        viewer->edit->hide();
        // Deferred: the host may be inside one of the widget's own event handlers.
        viewer->edit->deleteLater();
    }
}

}  // namespace

extern "C" __attribute__((visibility("default"))) const QvxToolkitApi* qvxToolkitApi(
    std::uint32_t version) {
    static const QvxToolkitApi api{
        kToolkitApiVersion, "Qt5", addFont,   create, widget, setLook, setText,
        setViews,           copy,  selectAll, destroy};
    // Widgets need the host's QApplication; a Qt that only serves a plug-in of the host is not it.
    if (version != kToolkitApiVersion ||
        qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr)
        return nullptr;
    return &api;
}
