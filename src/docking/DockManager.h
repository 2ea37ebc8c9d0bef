#pragma once

// Dock sites whose docked controls carry a caption strip: a colour gradient with the control's hint,
// and a close area that closes nothing. Dragging a caption (or whatever the site's owner lets start
// a drag) moves the control to another site that accepts it; a double click on a caption floats the
// control in a window of its own, when the site's owner lets it leave.

#include <QColor>
#include <QFont>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <QWidget>

#include <functional>
#include <memory>
#include <stdexcept>

class QMimeData;
class QPainter;

class DockError : public std::runtime_error
{
public:
    explicit DockError(const QString &text);
    QString text() const { return m_text; }

private:
    QString m_text;
};

// Where a site lies in its window: a site along the top or the bottom puts its captions at the left
// of each control, written upwards; any other site puts them on top.
enum class SiteAlign { None, Left, Top, Right, Bottom, Client, Custom };

class DockCaptionTree;

// The caption strip of one docked control.
class DockCaption : public QWidget
{
    Q_OBJECT
public:
    DockCaption(DockCaptionTree &tree, QWidget *control);
    QWidget *control() const { return m_control; }

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    DockCaptionTree &m_tree;
    QPointer<QWidget> m_control;
    QPoint m_pressAt;
    bool m_pressed = false;
};

class DockCaptionTree : public QObject
{
    Q_OBJECT
public:
    enum HitCode { HitNone = 0, HitCaption = 2, HitSplitter = 18, HitClose = 20 };

    DockCaptionTree(QWidget *site, SiteAlign align);
    ~DockCaptionTree() override;

    QWidget *DockSite() const { return m_site; }
    void insertControl(QWidget *control);
    void removeControl(QWidget *control);
    QList<QWidget *> controls() const;

    void setCaptionFont(const QFont &font);
    QFont captionFont() const { return m_font; }
    void setCaptionColor(const QColor &color); // the text's colour
    QColor CaptionStartColor;
    QColor CaptionEndColor;
    bool TransparentButton = true;
    int captionSize() const { return m_captionSize; }
    bool captionsOnTop() const;

    QRect zoneRect(const QWidget *control) const;
    QRect captionRect(const QWidget *control) const;
    QRect closeRect(const QRect &zone) const;
    bool isOverClose(const QWidget *control, QPoint point) const;
    QWidget *hitTest(QPoint point, int *code) const;

    void updateCaptionSize();
    void repaintSite();

    bool CloseHot = false;
    bool ClosePressed = false;
    QPointer<QWidget> HoverControl;

    // Painting, as the captions use it; public so its rules can be checked on an image.
    static void fillGradient(QPainter &painter, const QRect &rect, const QColor &start, const QColor &end,
                             bool captionsOnTop);
    static QString truncateCaption(const QFontMetrics &metrics, const QRect &textRect, const QString &text,
                                   int captionSize, bool captionsOnTop);
    void paintDockFrame(QPainter &painter, const QWidget *control, const QRect &captionRect) const;

    // The mime type a dock drag carries; the dragged control is the drag's source.
    static QString mimeType() { return QStringLiteral("application/x-dadudu-dock-control"); }
    // Starts moving a control to another site; returns once the drag has ended.
    void startDrag(QWidget *control);

    // May the control leave this site for the new target (none: to float)? Without a check it may.
    using UnDockCheck = std::function<bool(QWidget *control, QWidget *newTarget)>;
    void setUnDockCheck(UnDockCheck check) { m_unDockCheck = std::move(check); }
    // Floats the control in a tool window of its own where it stands, if the check lets it leave;
    // answers whether it did.
    bool floatControl(QWidget *control);

signals:
    void floated(QWidget *control);
    // A drag of the control ended; target is the site that took it, or none.
    void dragEnded(QWidget *control, QWidget *target);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void layoutControls();

    QPointer<QWidget> m_site;
    SiteAlign m_align;
    QFont m_font;
    QColor m_textColor = Qt::black;
    int m_captionSize = 11;
    QList<QPointer<QWidget>> m_controls;
    QList<QPointer<DockCaption>> m_captions; // children of the site, which may go first
    UnDockCheck m_unDockCheck;
};

// Makes a widget into a dock site with caption strips; one manager per site.
class DockManager : public QObject
{
    Q_OBJECT
public:
    explicit DockManager(QObject *owner);
    ~DockManager() override;

    void setFont(const QFont &font, const QColor &color);
    QFont font() const { return m_font; }
    void setCaptionStartColor(const QColor &color);
    void setCaptionEndColor(const QColor &color);
    QColor captionStartColor() const { return m_start; }
    QColor captionEndColor() const { return m_end; }
    void setTransparentButton(bool transparent);
    bool transparentButton() const { return m_transparentButton; }

    // Binds the site; raises DockError when a manager of the same owner already serves it.
    void setControl(QWidget *site, SiteAlign align = SiteAlign::Left);
    QWidget *control() const { return m_site; }
    DockCaptionTree *tree() const { return m_tree.get(); }

private:
    void createTree(SiteAlign align);

    QFont m_font;
    QColor m_fontColor = Qt::black;
    QColor m_start;
    QColor m_end;
    bool m_transparentButton = false;
    QPointer<QWidget> m_site;
    std::unique_ptr<DockCaptionTree> m_tree;
};
