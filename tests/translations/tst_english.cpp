// SPDX-License-Identifier: GPL-3.0-or-later
#include "TempLibrary.h"
#include "WindowControls.h"
#include <catalogue/CatalogueEditor.h>
#include <catalogue/fMain.h>
#include <diagram/DiagramRenderer.h>
#include <firststart/FirstStart.h>
#include <firststart/FolderChooser.h>
#include <platform/Translation.h>
#include <plotwindow/fPlot.h>
#include <preview/DigitiserCanvas.h>
#include <preview/FigureReader.h>
#include <preview/fPreview.h>
#include <widgets/Notices.h>
#include <widgets/ProgramFonts.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QSpinBox>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTest>
#include <QTimer>
#include <QTreeView>

using namespace Qt::StringLiterals;

namespace {

bool holdsChinese(const QString &text)
{
    static const QRegularExpression cjk(
        u"[\\x{3000}-\\x{303f}\\x{3400}-\\x{9fff}\\x{f900}-\\x{faff}\\x{ff00}-\\x{ffef}]"_s);
    return text.contains(cjk);
}

// Every text a window shows of its own (not the figure data in its lists and edit fields, not
// its title, which keeps the window's name), each as "object: text".
QStringList shownTexts(const QWidget *window)
{
    QStringList texts;
    QList<const QWidget *> widgets{window};
    for (const QWidget *child : window->findChildren<QWidget *>()) {
        widgets << child;
    }
    for (const QWidget *w : widgets) {
        const QString name =
            w->objectName().isEmpty() ? QString::fromLatin1(w->metaObject()->className()) : w->objectName();
        auto add = [&](const QString &text) {
            if (!text.isEmpty()) {
                texts << name + u": "_s + text;
            }
        };
        add(w->toolTip());
        if (const auto *b = qobject_cast<const QAbstractButton *>(w)) {
            add(b->text());
        } else if (const auto *l = qobject_cast<const QLabel *>(w)) {
            add(l->text());
        } else if (const auto *g = qobject_cast<const QGroupBox *>(w)) {
            add(g->title());
        } else if (const auto *e = qobject_cast<const QLineEdit *>(w)) {
            add(e->placeholderText());
        } else if (const auto *s = qobject_cast<const QSpinBox *>(w)) {
            add(s->prefix() + s->suffix());
        } else if (const auto *c = qobject_cast<const QComboBox *>(w); c && c->objectName() != u"comGroup"_s) {
            for (int i = 0; i < c->count(); ++i) { // the group box lists the library's groups
                add(c->itemText(i));
            }
        } else if (const auto *v = qobject_cast<const QTreeView *>(w); v && v->model()) {
            for (int i = 0; i < v->model()->columnCount(); ++i) {
                add(v->model()->headerData(i, Qt::Horizontal).toString());
            }
        }
    }
    return texts;
}

// Stands in for the user at every message box: notes what it shows, the buttons included, and
// answers with the next button text from the script (No or OK when it runs out).
class MessageBoxReader : public QObject
{
public:
    MessageBoxReader()
    {
        connect(&m_timer, &QTimer::timeout, this, &MessageBoxReader::look);
        m_timer.start(20);
    }
    QStringList texts;
    QStringList answers;

private:
    void look()
    {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box || box == m_answered) {
            return;
        }
        texts << box->text() << box->informativeText() << box->detailedText();
        QAbstractButton *answer = nullptr;
        const QString wanted = answers.isEmpty() ? QString() : answers.takeFirst();
        for (QAbstractButton *button : box->buttons()) {
            texts << button->text();
            if (!wanted.isEmpty() && button->text().remove(u'&') == wanted) {
                answer = button;
            }
        }
        if (!answer) {
            answer = box->button(QMessageBox::No) ? box->button(QMessageBox::No) : box->button(QMessageBox::Ok);
        }
        m_answered = box;
        answer->click();
    }
    QTimer m_timer;
    QPointer<QMessageBox> m_answered;
};

class NotingFolders final : public FolderChooser
{
public:
    QString chooseFolder(const QString &title, const QString &, QWidget *) override
    {
        titles << title;
        return {};
    }
    QStringList titles;
};

QStringList chineseOnes(const QStringList &texts)
{
    QStringList found;
    for (const QString &text : texts) {
        if (holdsChinese(text)) {
            found << text;
        }
    }
    return found;
}

// The width a control has for its caption, in its own font's pixels.
int captionRoom(const QWidget *control)
{
    if (const auto *button = qobject_cast<const QPushButton *>(control)) {
        QStyleOptionButton option;
        option.initFrom(button);
        option.text = button->text();
        return control->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button).width() -
               2 * control->style()->pixelMetric(QStyle::PM_ButtonMargin, &option, button) / 2;
    }
    if (qobject_cast<const QCheckBox *>(control) || qobject_cast<const QRadioButton *>(control)) {
        QStyleOptionButton option;
        option.initFrom(control);
        const QStyle::SubElement contents =
            qobject_cast<const QCheckBox *>(control) ? QStyle::SE_CheckBoxContents : QStyle::SE_RadioButtonContents;
        return control->style()->subElementRect(contents, &option, control).width();
    }
    if (const auto *label = qobject_cast<const QLabel *>(control)) {
        // A caption runs on under the control beside it, which hides the rest.
        int room = label->contentsRect().width() - 2 * label->margin() - std::max(label->indent(), 0);
        for (const QWidget *beside : label->parentWidget()->findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
            if (beside != label && beside->isVisible() && beside->x() > label->x() &&
                beside->geometry().intersects(label->geometry())) {
                room = std::min(room, beside->x() - label->x());
            }
        }
        return room;
    }
    if (const auto *group = qobject_cast<const QGroupBox *>(control)) {
        return group->width() - 2 * group->style()->pixelMetric(QStyle::PM_DefaultFrameWidth);
    }
    return control->width();
}

QString captionOf(const QWidget *control)
{
    if (const auto *button = qobject_cast<const QAbstractButton *>(control)) {
        return button->text();
    }
    if (const auto *label = qobject_cast<const QLabel *>(control)) {
        return label->text();
    }
    if (const auto *group = qobject_cast<const QGroupBox *>(control)) {
        return group->title();
    }
    return {};
}

} // namespace

// With Language=English every window and message Taprell shows speaks English, figure data
// aside, and every English caption fits the control the layout gives it.
class TestEnglish : public QObject
{
    Q_OBJECT

    std::unique_ptr<TempLibrary> lib;
    std::unique_ptr<MessageBoxDialogs> dialogs;
    std::unique_ptr<fMain> catalogue;

    QWidget *window(const QString &name) const
    {
        if (name == u"fMain"_s) {
            return catalogue.get();
        }
        if (name == u"fGroup"_s) {
            return catalogue->groupWindow();
        }
        if (name == u"fPicData"_s) {
            return catalogue->figureDataWindow();
        }
        if (name == u"fPicLbl"_s) {
            return catalogue->figureLabelWindow();
        }
        return catalogue->previewWindow();
    }

private slots:
    void initTestCase()
    {
        lib = std::make_unique<TempLibrary>();
        lib->settings.setValue(u"Venmarod Software"_s, u"Kalvor"_s, u"Language"_s, u"English"_s);
        QVERIFY(installTaprellTexts(lib->taprell.settingsLookup(u"Language"_s)));
        installProgramFonts(); // the fonts the windows' sizes were laid out for, as Taprell has them

        // All windows open as the user opens them, the digitiser calibrating a scan of B002.
        dialogs = std::make_unique<MessageBoxDialogs>();
        catalogue = std::make_unique<fMain>(lib->taprell, *dialogs);
        catalogue->setSettingsStore(&lib->settings);
        catalogue->show();
        QVERIFY(QTest::qWaitForWindowExposed(catalogue.get()));
        auto *list = windowControl<QTreeView>(catalogue.get(), "LvFigure");
        int row = -1;
        for (int r = 0; r < catalogue->editor().model().size(); ++r) {
            row = catalogue->editor().model().cell(r, CatalogueEditor::Th) == u"B002"_s ? r : row;
        }
        QVERIFY(row >= 0);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualRect(list->model()->index(row, 1)).center());
        for (const char *button : {"Command1", "CommandButton1", "CommandButton2"}) {
            QTest::mouseClick(windowControl<QPushButton>(catalogue.get(), button), Qt::LeftButton);
        }
        catalogue->showPreviewWindow();
        auto *preview = qobject_cast<fPreview *>(catalogue->previewWindow());
        QVERIFY(catalogue->groupWindow() && catalogue->figureDataWindow() && catalogue->figureLabelWindow() && preview);
        QVERIFY(QTest::qWaitForWindowExposed(preview));
        Figure figure;
        QVERIFY(FigureReader::readFigure(lib->taprell.library(), u"B002"_s, &figure));
        const QString scan = lib->dir.filePath(u"B002-scan.png"_s);
        QVERIFY(DiagramRenderer(figure).renderImage(QSize(600, 500)).save(scan));
        QVERIFY(preview->loadUnderlay(scan));
        preview->startCalibration();
        // The plot window with a table on its figure.
        catalogue->showPlotWindow();
        auto *plot = qobject_cast<plotwindow::fPlot *>(catalogue->plotWindow());
        QVERIFY(plot && QTest::qWaitForWindowExposed(plot));
        QSignalSpy idle(plot, &plotwindow::fPlot::idle);
        plot->pasteTable(u"Sample\tSiO2\tK2O\na\t50\t1\nb\tbdl\t2\n"_s);
        QVERIFY(!plot->isBusy() || idle.wait(20000));
    }
    void cleanupTestCase()
    {
        delete catalogue->plotWindow();
        delete catalogue->previewWindow();
        delete catalogue->figureDataWindow();
        delete catalogue->figureLabelWindow();
        delete catalogue->groupWindow();
        catalogue.reset();
        lib.reset();
    }

    void windowsAndMessages_holdNoChineseText()
    {
        QStringList texts;
        for (const char *name : {"fMain", "fGroup", "fPicData", "fPicLbl", "fPreview", "fPlot"}) {
            texts << shownTexts(window(QString::fromLatin1(name)));
        }
        // The digitiser's status line after a click on the scan.
        auto *preview = qobject_cast<fPreview *>(catalogue->previewWindow());
        QTest::mouseClick(preview->digitiserCanvas(), Qt::LeftButton, {}, preview->digitiserCanvas()->rect().center());
        texts << shownTexts(preview);

        MessageBoxReader reader;
        // A library that cannot be opened, the error notice, the question before discarding.
        SettingsStore elsewhere(lib->dir.filePath(u"elsewhere"_s));
        elsewhere.setValue(u"Venmarod Software"_s, u"Kalvor"_s, u"Path"_s, lib->dir.filePath(u"missing"_s));
        mTaprell missing(elsewhere);
        const Status opened = missing.openLibrary();
        QVERIFY(!opened);
        libraryProblem(*dialogs, opened.error(), nullptr);
        errorNotice(*dialogs, opened.error(), nullptr);
        confirmDiscard(*dialogs, nullptr);
        // The first-start offer: No to the sample library, Yes to choosing a folder.
        SettingsStore fresh(lib->dir.filePath(u"fresh"_s));
        mTaprell account(fresh);
        NotingFolders folders;
        FirstStart firstStart(account, *dialogs, fresh, folders,
                              {lib->dir.filePath(u"personal"_s), lib->dir.filePath(u"sample"_s)});
        reader.answers = {u"No"_s, u"Yes"_s};
        firstStart.offer(nullptr);
        QCOMPARE(folders.titles.size(), 1);
        QVERIFY(reader.texts.size() >= 5 * 3);

        texts << reader.texts << folders.titles;
        // What a drawing cannot show, as the preview lists it.
        texts << DiagramRenderer::loneLineProblem(1);
        const QStringList chinese = chineseOnes(texts);
        QVERIFY2(chinese.isEmpty(), qPrintable(chinese.join(u"; "_s)));
    }

    void englishCaptions_fitTheirControls_data()
    {
        QTest::addColumn<QString>("window");
        for (const char *name : {"fMain", "fGroup", "fPicData", "fPicLbl", "fPreview", "fPlot"}) {
            QTest::newRow(name) << QString::fromLatin1(name);
        }
    }
    void englishCaptions_fitTheirControls()
    {
        QFETCH(QString, window);
        QWidget *shown = this->window(window);
        QVERIFY(shown);
        QStringList tooWide;
        int captions = 0;
        for (const QWidget *control : shown->findChildren<QWidget *>()) {
            const QString caption = captionOf(control);
            if (caption.isEmpty()) {
                continue;
            }
            ++captions;
            const int room = captionRoom(control);
            const QFontMetrics metrics(control->font());
            if (const auto *label = qobject_cast<const QLabel *>(control); label && label->wordWrap()) {
                if (label->heightForWidth(label->contentsRect().width()) > label->contentsRect().height()) {
                    tooWide << u"%1 \"%2\": wrapped, taller than %3 px"_s.arg(control->objectName(), caption)
                                   .arg(label->contentsRect().height());
                }
                continue;
            }
            for (const QString &line : caption.split(u'\n')) {
                const int width = metrics.horizontalAdvance(QString(line).remove(u'&'));
                if (width > room) {
                    tooWide << u"%1 \"%2\": %3 px in %4 px"_s.arg(control->objectName(), line).arg(width).arg(room);
                }
            }
        }
        // The lists' column headers, in the widths the layout gives the columns.
        for (const QTreeView *list : shown->findChildren<QTreeView *>()) {
            const QHeaderView *header = list->header();
            const QFontMetrics metrics(header->font());
            const int margins = 2 * header->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, header);
            for (int i = 0; i < header->count(); ++i) {
                const QString caption = list->model()->headerData(i, Qt::Horizontal).toString();
                if (caption.isEmpty() || header->isSectionHidden(i)) {
                    continue;
                }
                ++captions;
                const int width = metrics.horizontalAdvance(caption);
                if (width > header->sectionSize(i) - margins) {
                    tooWide << u"%1 column \"%2\": %3 px in %4 px"_s.arg(list->objectName(), caption)
                                   .arg(width)
                                   .arg(header->sectionSize(i) - margins);
                }
            }
        }
        QVERIFY(captions > 0);
        QVERIFY2(tooWide.isEmpty(), qPrintable(tooWide.join(u"; "_s)));
    }
};

QTEST_MAIN(TestEnglish)
#include "tst_english.moc"
