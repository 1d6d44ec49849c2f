// The unlock code, bonus, activities and usage sections of the detail screen
// and its two sheets, driven as a parent drives them, against a scripted
// service so answers can be held and the clock set to exact moments.
#include "../state/tst_detail_support.h"
#include "Clock.h"
#include "LumaroApp.h"
#include "UiHarness.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickWindow>

namespace {

// 2025-06-01T10:00:00Z, the first second of a 300-second unlock code step.
constexpr qint64 stepStart = 1748772000000;
const char* const secret = "3132333435363738393031323334353637383930";

QString isoAt(qint64 msecs)
{
    return QDateTime::fromMSecsSinceEpoch(msecs, Qt::UTC).toString(Qt::ISODate);
}

// The four sections in a column as the detail screen places them, and the
// rename sheet as its pencil button opens it. The unlock section sits in a
// loader so a test can take it off screen.
const char* const hostQml = R"(
import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Lumaro.State
import Lumaro.Screens

ApplicationWindow {
    id: root
    width: 520
    height: 1500
    visible: true
    color: Theme.background

    property bool unlockShown: true
    property alias columnShown: column.visible
    property DeviceDetailViewModel vm: DeviceDetailViewModel { deviceId: "d1" }

    function openRename() { rename.open() }

    ColumnLayout {
        id: column
        x: 20
        y: 20
        width: root.width - 40
        spacing: 20
        Loader {
            Layout.fillWidth: true
            active: root.unlockShown
            sourceComponent: UnlockCodeSection { objectName: "unlockSection"; vm: root.vm }
        }
        BonusSection { vm: root.vm; Layout.fillWidth: true }
        ActivitiesSection { vm: root.vm; Layout.fillWidth: true }
        UsageHistorySection { vm: root.vm; Layout.fillWidth: true }
    }

    EditDeviceNameView { id: rename; vm: root.vm }
}
)";

}  // namespace

// One hosted column per test, loaded from the scripted service.
class SectionsTest : public QObject
{
    Q_OBJECT

protected:
    DetailFixture fx;
    QQmlEngine* engine = nullptr;
    QQuickWindow* window = nullptr;
    DeviceDetailViewModel* vm = nullptr;

    QQuickItem* item(const QString& name) { return Ui::find(window, name); }
    QQuickItem* item(const char* name) { return item(QString::fromLatin1(name)); }
    QList<QQuickItem*> shown(const char* name)
    {
        QList<QQuickItem*> result;
        for (auto* i : Ui::findAll(window, QString::fromLatin1(name))) {
            if (Ui::isShown(i))
                result.append(i);
        }
        return result;
    }

    // Builds the column and loads the device; false when either fails.
    bool show(const json& device, const json& policy, const json& usage, const json& activities)
    {
        fx.scriptLoad(device, policy, usage, activities);
        engine = new QQmlEngine;
        engine->addImportPath(QStringLiteral("qrc:/"));
        QQmlComponent component(engine);
        component.setData(hostQml, QUrl(QStringLiteral("qrc:/tests/Host.qml")));
        QObject* root = component.create();
        if (!root) {
            qWarning() << component.errors();
            return false;
        }
        window = qobject_cast<QQuickWindow*>(root);
        vm = root->property("vm").value<DeviceDetailViewModel*>();
        if (!window || !vm || !QTest::qWaitForWindowExposed(window))
            return false;
        return DetailFixture::load(*vm);
    }

    bool showDefault(const json& activities = json::array())
    {
        return show(deviceJson("Mac", secret), policyJson(), usageJson({60, 30}), activities);
    }

    static bool isRedder(const QColor& c) { return c.red() > c.blue(); }

protected slots:
    void init()
    {
        Clock::setSource([] { return stepStart; });
        fx.setUp();
    }

    void cleanup()
    {
        delete window;
        window = nullptr;
        vm = nullptr;
        delete engine;
        engine = nullptr;
        fx.tearDown();
        Clock::setSource({});
    }
};

class UnlockCodeSectionTest : public SectionsTest
{
    Q_OBJECT

private slots:
    void countdown_data()
    {
        QTest::addColumn<qint64>("intoStep");
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("share");

        QTest::newRow("first second") << qint64(0) << QStringLiteral("Valid for 5:00") << 1.0;
        QTest::newRow("last second") << qint64(299) << QStringLiteral("Valid for 0:01") << 1.0 / 300;
    }

    void countdown()
    {
        QFETCH(qint64, intoStep);
        QFETCH(QString, text);
        QFETCH(double, share);
        Clock::setSource([intoStep] { return stepStart + intoStep * 1000; });
        QVERIFY(showDefault());

        QTRY_VERIFY(Ui::isShown(item("unlockCodeButton")));
        QCOMPARE(Ui::text(item("unlockCodeButton")), *vm->currentTOTPCode());
        QCOMPARE(Ui::text(item("unlockCodeButton")).size(), 6);
        QCOMPARE(Ui::text(item("unlockValidFor")), text);
        QVERIFY(!Ui::isShown(item("unlockNoSecret")));
        QQuickItem* track = item("unlockCountdownTrack");
        QQuickItem* fill = item("unlockCountdownFill");
        QTRY_VERIFY(track->width() > 300);  // laid out with the next frame
        QCOMPARE(track->height(), 4.0);
        QCOMPARE(fill->width(), track->width() * share);
    }

    void clickCopiesExactlyTheCode()
    {
        QVERIFY(showDefault());
        auto* old = new QMimeData;
        old->setText(QStringLiteral("earlier"));
        old->setHtml(QStringLiteral("<b>earlier</b>"));
        QGuiApplication::clipboard()->setMimeData(old);

        QTRY_VERIFY(Ui::isShown(item("unlockCodeButton")));
        Ui::click(window, item("unlockCodeButton"));
        QCOMPARE(QGuiApplication::clipboard()->text(), *vm->currentTOTPCode());
        QVERIFY(!QGuiApplication::clipboard()->mimeData()->hasHtml());
        Ui::screenshot(window, QStringLiteral("sections-light"));
    }

    void noSecretShowsNoCodeAndCopiesNothing()
    {
        QVERIFY(show(deviceJson("Mac", nullptr), policyJson(), usageJson({10}), json::array()));
        QGuiApplication::clipboard()->setText(QStringLiteral("earlier"));

        QVERIFY(Ui::isShown(item("unlockNoSecret")));
        QCOMPARE(Ui::text(item("unlockNoSecret")), QStringLiteral("Secret not configured"));
        QVERIFY(!Ui::isShown(item("unlockCodeButton")));
        QVERIFY(!Ui::isShown(item("unlockValidFor")));
        QVERIFY(!Ui::isShown(item("unlockCountdownBar")));
        Ui::click(window, item("unlockSection"));
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("earlier"));
    }

    void timerRunsOnlyWhileOnScreen()
    {
        QVERIFY(showDefault());
        QVERIFY(vm->isGeneratingTOTP());
        // Covered, as by a pushed page.
        window->setProperty("columnShown", false);
        QVERIFY(!vm->isGeneratingTOTP());
        window->setProperty("columnShown", true);
        QVERIFY(vm->isGeneratingTOTP());
        // Gone, as when the screen is popped.
        window->setProperty("unlockShown", false);
        QTRY_VERIFY(!item("unlockSection"));
        QVERIFY(!vm->isGeneratingTOTP());
    }
};

class BonusSectionTest : public SectionsTest
{
    Q_OBJECT

    QList<QQuickItem*> buttons()
    {
        return {item("bonusButton5"), item("bonusButton10"), item("bonusButton15")};
    }

private slots:
    void buttonsWaitForTheGrant()
    {
        QVERIFY(showDefault());
        QVERIFY(!Ui::isShown(item("bonusActiveLine")));
        QCOMPARE(Ui::text(item("bonusButton5")), QStringLiteral("+5 min"));
        QCOMPARE(Ui::text(item("bonusButton15")), QStringLiteral("+15 min"));
        fx.route("POST", devicePath + QStringLiteral("/grant-bonus"),
                 held({{"bonus_until", isoAt(stepStart + 59'000).toStdString()}}));

        Ui::click(window, item("bonusButton10"));
        QTRY_COMPARE(fx.server->heldCount(), 1);
        for (auto* button : buttons())
            QVERIFY(!button->isEnabled());
        QCOMPARE(DetailFixture::body(fx.server->heldRequests().first()), QStringLiteral(R"({"minutes":10})"));

        fx.server->releaseHeld();
        QTRY_VERIFY(item("bonusButton5")->isEnabled());
        for (auto* button : buttons())
            QVERIFY(button->isEnabled());
        QVERIFY(Ui::isShown(item("bonusActiveLine")));
        QCOMPARE(Ui::text(item("bonusActiveText")), QStringLiteral("Bonus active \u2014 0:59 remaining"));
    }

    void bonusLine_data()
    {
        QTest::addColumn<QString>("until");
        QTest::addColumn<QString>("text");  // empty: no line

        QTest::newRow("59 seconds left") << isoAt(stepStart + 59'000)
                                         << QStringLiteral("Bonus active \u2014 0:59 remaining");
        QTest::newRow("ends now") << isoAt(stepStart) << QString();
        QTest::newRow("ended") << isoAt(stepStart - 1000) << QString();
        QTest::newRow("unreadable end") << QStringLiteral("soon") << QString();
    }

    void bonusLine()
    {
        QFETCH(QString, until);
        QFETCH(QString, text);
        QVERIFY(showDefault());
        fx.route("POST", devicePath + QStringLiteral("/grant-bonus"), answer({{"bonus_until", until.toStdString()}}));

        Ui::click(window, item("bonusButton5"));
        QTRY_VERIFY(!fx.requestsTo("POST", devicePath + QStringLiteral("/grant-bonus")).isEmpty());
        QTRY_VERIFY(item("bonusButton5")->isEnabled());
        QCOMPARE(Ui::isShown(item("bonusActiveLine")), !text.isEmpty());
        if (!text.isEmpty())
            QCOMPARE(Ui::text(item("bonusActiveText")), text);
        QVERIFY(!vm->error());
    }
};

class ActivitiesSectionTest : public SectionsTest
{
    Q_OBJECT

private slots:
    void dividersBetweenRowsOnly_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("dividers");
        QTest::newRow("none") << 0 << 0;
        QTest::newRow("one") << 1 << 0;
        QTest::newRow("three") << 3 << 2;
    }

    void dividersBetweenRowsOnly()
    {
        QFETCH(int, count);
        QFETCH(int, dividers);
        json list = json::array();
        for (int i = 0; i < count; ++i)
            list.push_back(activityJson(("a" + std::to_string(i)).c_str(), i, "16:00"));
        QVERIFY(showDefault(list));

        // Rows are laid out with the next frame.
        QTRY_COMPARE(shown("activityRow").size(), count);
        QCOMPARE(shown("activityDivider").size(), dividers);
        QCOMPARE(Ui::isShown(item("noActivitiesText")), count == 0);
        if (count == 0)
            QCOMPARE(Ui::text(item("noActivitiesText")), QStringLiteral("No activities yet"));
        else
            QCOMPARE(Ui::text(shown("activityDetails").first()), QStringLiteral("Mon 16:00\u201317:00  \u00b15m"));
    }

    void switchSendsToggleAndFollowsTheAnswer()
    {
        QVERIFY(showDefault(json::array({activityJson("a1", 0, "09:00", true), activityJson("a2", 3, "10:00", false)})));
        QTRY_COMPARE(shown("activitySwitch").size(), 2);
        const auto names = shown("activityName");
        const auto switches = shown("activitySwitch");
        QCOMPARE(switches.size(), 2);
        QVERIFY(switches[0]->property("checked").toBool());
        QVERIFY(!switches[1]->property("checked").toBool());
        // The disabled activity's name is set in the details' secondary colour.
        const QColor secondary = shown("activityDetails").first()->property("color").value<QColor>();
        QCOMPARE(names[1]->property("color").value<QColor>(), secondary);
        QVERIFY(names[0]->property("color").value<QColor>() != secondary);

        const QString path = activitiesPath + QStringLiteral("/a2");
        fx.route("PUT", path, held(activityJson("a2", 3, "10:00", true)));
        Ui::click(window, switches[1]);
        QTRY_COMPARE(fx.server->heldCount(), 1);
        QCOMPARE(DetailFixture::body(fx.server->heldRequests().first()), QStringLiteral(R"({"enabled":true})"));
        // Until the service answers, the switch shows what the list holds.
        QVERIFY(!shown("activitySwitch")[1]->property("checked").toBool());
        fx.server->releaseHeld();
        QTRY_VERIFY(shown("activitySwitch")[1]->property("checked").toBool());
        QVERIFY(shown("activityName")[1]->property("color").value<QColor>() != secondary);
    }

    void deleteRemovesTheRow()
    {
        QVERIFY(showDefault(json::array({activityJson("a1", 0, "09:00")})));
        fx.route("DELETE", activitiesPath + QStringLiteral("/a1"), answer({{"ok", true}}));
        Ui::click(window, item("activityDelete"));
        QTRY_VERIFY(Ui::isShown(item("noActivitiesText")));
        QCOMPARE(shown("activityRow").size(), 0);
    }
};

class AddActivitySheetTest : public SectionsTest
{
    Q_OBJECT

    bool sheetOpen() { return Ui::isShown(item("activityNameField")); }

    void openSheet()
    {
        Ui::click(window, item("addActivityButton"));
        QTRY_VERIFY(sheetOpen());
    }

    int spin(const char* name) { return item(name)->property("value").toInt(); }

    void verifyDefaults()
    {
        QCOMPARE(Ui::text(item("sheetTitle")), QStringLiteral("New Activity"));
        QCOMPARE(Ui::text(item("activityNameField")), QString());
        QCOMPARE(item("activityNameField")->property("placeholderText").toString(), QStringLiteral("English"));
        QCOMPARE(item("activityDayPicker")->property("displayText").toString(), QStringLiteral("Monday"));
        QCOMPARE(spin("activityStartHour"), 16);
        QCOMPARE(spin("activityStartMinute"), 0);
        QCOMPARE(spin("activityEndHour"), 17);
        QCOMPARE(spin("activityEndMinute"), 0);
        QCOMPARE(Ui::text(item("bufferBeforeLabel")), QStringLiteral("Before: 5 min"));
        QCOMPARE(Ui::text(item("bufferAfterLabel")), QStringLiteral("After: 5 min"));
        QVERIFY(!item("sheetConfirmButton")->isEnabled());
    }

    void press(const char* name, int times)
    {
        for (int i = 0; i < times; ++i)
            Ui::click(window, item(name));
    }

private slots:
    void everyOpeningStartsFromTheDefaults()
    {
        QVERIFY(showDefault());
        openSheet();
        verifyDefaults();
        Ui::screenshot(window, QStringLiteral("add-activity-sheet"));

        Ui::type(window, item("activityNameField"), QStringLiteral("Chess"));
        QVERIFY(item("sheetConfirmButton")->isEnabled());
        item("activityDayPicker")->setProperty("currentIndex", 4);
        press("bufferBeforeIncrement", 3);
        QCOMPARE(Ui::text(item("bufferBeforeLabel")), QStringLiteral("Before: 8 min"));
        Ui::click(window, item("sheetCancelButton"));
        QTRY_VERIFY(!sheetOpen());
        QVERIFY(fx.requestsTo("POST", activitiesPath).isEmpty());

        openSheet();
        verifyDefaults();
    }

    void buffersStopAtTheirBounds()
    {
        QVERIFY(showDefault());
        openSheet();
        press("bufferBeforeDecrement", 6);
        QCOMPARE(Ui::text(item("bufferBeforeLabel")), QStringLiteral("Before: 0 min"));
        QVERIFY(!item("bufferBeforeDecrement")->isEnabled());
        press("bufferAfterIncrement", 56);
        QCOMPARE(Ui::text(item("bufferAfterLabel")), QStringLiteral("After: 60 min"));
        QVERIFY(!item("bufferAfterIncrement")->isEnabled());
        press("bufferAfterDecrement", 1);
        QCOMPARE(Ui::text(item("bufferAfterLabel")), QStringLiteral("After: 59 min"));
    }

    void createSendsTheChosenTimesAndClosesOnAnswer()
    {
        QVERIFY(showDefault());
        openSheet();
        Ui::type(window, item("activityNameField"), QStringLiteral("Piano "));
        item("activityEndMinute")->forceActiveFocus();
        for (int i = 0; i < 30; ++i)
            QTest::keyClick(window, Qt::Key_Up);
        QCOMPARE(spin("activityEndMinute"), 30);
        fx.route("POST", activitiesPath, held(activityJson("new", 0, "16:00")));

        Ui::click(window, item("sheetConfirmButton"));
        QTRY_COMPARE(fx.server->heldCount(), 1);
        QCOMPARE(DetailFixture::body(fx.server->heldRequests().first()),
                 canonical({{"name", "Piano "}, {"enabled", true}, {"day_of_week", 0}, {"start_time", "16:00"},
                            {"end_time", "17:30"}, {"buffer_before_minutes", 5}, {"buffer_after_minutes", 5}}));
        QVERIFY(sheetOpen());
        QVERIFY(!item("sheetConfirmButton")->isEnabled());

        fx.server->releaseHeld();
        QTRY_VERIFY(!sheetOpen());
        QCOMPARE(shown("activityRow").size(), 1);
    }

    void failedCreateClosesToo()
    {
        QVERIFY(showDefault());
        openSheet();
        Ui::type(window, item("activityNameField"), QStringLiteral("Piano"));
        fx.route("POST", activitiesPath, failure(500));
        Ui::click(window, item("sheetConfirmButton"));
        QTRY_VERIFY(!sheetOpen());
        QCOMPARE(vm->error(), std::optional<QString>(QStringLiteral("Server error: 500")));
    }

    void lateAnswerLeavesALaterOpeningAlone()
    {
        QVERIFY(showDefault());
        openSheet();
        Ui::type(window, item("activityNameField"), QStringLiteral("Piano"));
        fx.route("POST", activitiesPath, held(activityJson("new", 0, "16:00")));
        Ui::click(window, item("sheetConfirmButton"));
        QTRY_COMPARE(fx.server->heldCount(), 1);
        Ui::click(window, item("sheetCancelButton"));
        QTRY_VERIFY(!sheetOpen());

        openSheet();
        Ui::type(window, item("activityNameField"), QStringLiteral("Chess"));
        fx.server->releaseHeld();
        QTRY_COMPARE(shown("activityRow").size(), 1);
        QVERIFY(sheetOpen());
        QCOMPARE(Ui::text(item("activityNameField")), QStringLiteral("Chess"));
        QVERIFY(item("sheetConfirmButton")->isEnabled());
    }
};

class RenameSheetTest : public SectionsTest
{
    Q_OBJECT

    bool sheetOpen() { return Ui::isShown(item("renameDeviceField")); }

    void openSheet()
    {
        QMetaObject::invokeMethod(window, "openRename");
        QTRY_VERIFY(sheetOpen());
    }

private slots:
    void opensWithTheCurrentNames()
    {
        QVERIFY(showDefault());
        openSheet();
        QCOMPARE(Ui::text(item("sheetTitle")), QStringLiteral("Edit Device"));
        QCOMPARE(Ui::text(item("renameDeviceField")), QStringLiteral("Mac"));
        QCOMPARE(Ui::text(item("renameChildField")), QStringLiteral("Alex"));
        QVERIFY(item("sheetConfirmButton")->isEnabled());
        Ui::screenshot(window, QStringLiteral("rename-sheet"));
    }

    void clearingEitherNameDisablesSave()
    {
        QVERIFY(showDefault());
        openSheet();
        Ui::clear(window, item("renameDeviceField"));
        QVERIFY(!item("sheetConfirmButton")->isEnabled());
        Ui::type(window, item("renameDeviceField"), QStringLiteral("Study Mac"));
        QVERIFY(item("sheetConfirmButton")->isEnabled());
        Ui::clear(window, item("renameChildField"));
        QVERIFY(!item("sheetConfirmButton")->isEnabled());
    }

    void saveSendsBothNamesAndClosesOnAnswer()
    {
        QVERIFY(showDefault());
        openSheet();
        Ui::type(window, item("renameDeviceField"), QStringLiteral("Study Mac"));
        Ui::type(window, item("renameChildField"), QStringLiteral("Sam"));
        json renamed = deviceJson("Study Mac", secret);
        renamed["child_name"] = "Sam";
        fx.route("PATCH", devicePath, held(renamed));

        Ui::click(window, item("sheetConfirmButton"));
        QTRY_COMPARE(fx.server->heldCount(), 1);
        QCOMPARE(DetailFixture::body(fx.server->heldRequests().first()),
                 canonical({{"name", "Study Mac"}, {"child_name", "Sam"}}));
        QVERIFY(!item("sheetConfirmButton")->isEnabled());
        fx.server->releaseHeld();
        QTRY_VERIFY(!sheetOpen());

        openSheet();
        QCOMPARE(Ui::text(item("renameDeviceField")), QStringLiteral("Study Mac"));
        QCOMPARE(Ui::text(item("renameChildField")), QStringLiteral("Sam"));
    }

    void noDeviceOpensEmpty()
    {
        QVERIFY(show(json::object(), policyJson(), usageJson({}), json::array()));
        QVERIFY(!vm->device());
        openSheet();
        QCOMPARE(Ui::text(item("renameDeviceField")), QString());
        QCOMPARE(Ui::text(item("renameChildField")), QString());
        QVERIFY(!item("sheetConfirmButton")->isEnabled());
    }
};

class UsageChartViewTest : public SectionsTest
{
    Q_OBJECT

    // Distance of each limit line above its plot's bottom.
    QList<double> lineHeights()
    {
        QList<double> heights;
        for (auto* line : shown("usageLimitLine"))
            heights.append(line->parentItem()->height() - line->y() - line->height());
        return heights;
    }

    QList<double> barHeights()
    {
        QList<double> heights;
        for (auto* bar : shown("usageBar"))
            heights.append(bar->height());
        return heights;
    }

private slots:
    void barsAndLineScaleToTheBusiestDay()
    {
        // Today first: 60 today, 180 yesterday.
        QVERIFY(show(deviceJson("Mac", secret), policyJson(120), usageJson({60, 180}), json::array()));
        QVERIFY(Ui::isShown(item("usageChart")));
        QVERIFY(!Ui::isShown(item("usageNoData")));
        QCOMPARE(Ui::text(item("usageLimitCaption")), QStringLiteral("Limit: 2h 0m"));
        QCOMPARE(barHeights(), (QList<double>{120, 40}));
        QCOMPARE(lineHeights(), (QList<double>{80, 80}));
        const auto values = shown("usageValue");
        QCOMPARE(Ui::text(values[0]), QStringLiteral("3h 0m"));
        QCOMPARE(Ui::text(values[1]), QStringLiteral("1h 0m"));
        QVERIFY(isRedder(values[0]->property("color").value<QColor>()));
        QVERIFY(!isRedder(values[1]->property("color").value<QColor>()));
        const auto days = shown("usageDayLabel");
        QCOMPARE(Ui::text(days[0]), QStringLiteral("Thu, 6"));
        QCOMPARE(Ui::text(days[1]), QStringLiteral("Fri, 7"));
        for (auto* plot : shown("usagePlot"))
            QCOMPARE(plot->height(), 120.0);
    }

    void allZeroWithZeroLimit()
    {
        QVERIFY(show(deviceJson("Mac", secret), policyJson(0), usageJson({0, 0, 0}), json::array()));
        QCOMPARE(barHeights(), (QList<double>{0, 0, 0}));
        QCOMPARE(lineHeights(), (QList<double>{0, 0, 0}));
        for (auto* value : shown("usageValue")) {
            QCOMPARE(Ui::text(value), QStringLiteral("0m"));
            QVERIFY(!isRedder(value->property("color").value<QColor>()));
        }
        QCOMPARE(Ui::text(item("usageLimitCaption")), QStringLiteral("Limit: 0m"));
    }

    void noPolicyUsesTwoHours()
    {
        // A policy that does not decode leaves none loaded.
        QVERIFY(show(deviceJson("Mac", secret), json::object(), usageJson({30}), json::array()));
        QVERIFY(!vm->policy());
        QCOMPARE(Ui::text(item("usageLimitCaption")), QStringLiteral("Limit: 2h 0m"));
    }

    void noUsageShowsNoData()
    {
        QVERIFY(show(deviceJson("Mac", secret), policyJson(), json::array(), json::array()));
        QVERIFY(Ui::isShown(item("usageNoData")));
        QCOMPARE(Ui::text(item("usageNoData")), QStringLiteral("No data"));
        QVERIFY(!Ui::isShown(item("usageChart")));
    }
};

int main(int argc, char* argv[])
{
    LumaroApp::prepare();
    QGuiApplication app(argc, argv);
    int status = 0;
    {
        UnlockCodeSectionTest test;
        status |= QTest::qExec(&test, argc, argv);
    }
    {
        BonusSectionTest test;
        status |= QTest::qExec(&test, argc, argv);
    }
    {
        ActivitiesSectionTest test;
        status |= QTest::qExec(&test, argc, argv);
    }
    {
        AddActivitySheetTest test;
        status |= QTest::qExec(&test, argc, argv);
    }
    {
        RenameSheetTest test;
        status |= QTest::qExec(&test, argc, argv);
    }
    {
        UsageChartViewTest test;
        status |= QTest::qExec(&test, argc, argv);
    }
    return status;
}
#include "tst_detail_sections.moc"
