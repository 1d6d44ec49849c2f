// The sign-in screen as a parent uses it, against the real service and keyring.
#include "AuthViewModel.h"
#include "UiHarness.h"
#include "UiSession.h"

#include <QFontInfo>
#include <QRawFont>
#include <QTest>

class LoginScreenTest : public QObject
{
    Q_OBJECT

    ServiceProcess service;
    UiSession session;
    QQuickWindow* window = nullptr;

    QQuickItem* item(const char* name) { return Ui::find(window, QString::fromLatin1(name)); }
    bool signedIn() { return Ui::isShown(item("navigationStack")); }
    bool onSignIn() { return Ui::isShown(item("submitButton")); }

    void signIn(const QString& email, const QString& password)
    {
        Ui::type(window, item("emailField"), email);
        Ui::type(window, item("passwordField"), password);
        Ui::click(window, item("submitButton"));
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(service.start(), qPrintable(service.errorString()));
        QVERIFY(!service.registerAccount(QStringLiteral("pat@example.com"), QStringLiteral("secret-1"),
                                         QStringLiteral("Pat")).isEmpty());
    }

    void init()
    {
        UiSession::clearStore();
        UiSession::storeEntry(QStringLiteral("server_url"), service.baseUrl());
        window = session.launch();
        QVERIFY(window);
    }

    void cleanup()
    {
        session.quit();
        window = nullptr;
    }

    void freshStartShowsSignInWithSubmitDisabled()
    {
        QVERIFY(onSignIn());
        QVERIFY(!signedIn());
        QCOMPARE(Ui::text(item("submitButton")), QStringLiteral("Sign In"));
        QVERIFY(!item("submitButton")->isEnabled());
        QVERIFY(!Ui::isShown(item("nameField")));
        QVERIFY(!Ui::isShown(item("serverSettingsArea")));
        QVERIFY(!Ui::isShown(item("errorText")));
        Ui::screenshot(window, QStringLiteral("sign-in"));
    }

    void symbolsDrawFromTheFontTheConsoleShips()
    {
        // An installed copy of the icon font, of any format or version, must not stand in for it.
        const QFont font = item("appSymbol")->property("font").value<QFont>();
        QCOMPARE(font.family(), QStringLiteral("Lumaro Symbols"));
        QCOMPARE(QFontInfo(font).family(), QStringLiteral("Lumaro Symbols"));
        QVERIFY(QRawFont::fromFont(font).supportsCharacter(char32_t(0xe858)));
    }

    void emailAndPasswordEnableSubmit()
    {
        Ui::type(window, item("emailField"), QStringLiteral("pat@example.com"));
        QVERIFY(!item("submitButton")->isEnabled());
        Ui::type(window, item("passwordField"), QStringLiteral("x"));
        QVERIFY(item("submitButton")->isEnabled());
        Ui::clear(window, item("emailField"));
        QVERIFY(!item("submitButton")->isEnabled());
    }

    void signUpWithEmptyNameIsAllowed()
    {
        Ui::click(window, item("segment_Sign Up"));
        QVERIFY(Ui::isShown(item("nameField")));
        QCOMPARE(Ui::text(item("submitButton")), QStringLiteral("Create Account"));
        Ui::screenshot(window, QStringLiteral("sign-up"));
        signIn(QStringLiteral("new-parent@example.com"), QStringLiteral("pw-2"));
        QTRY_VERIFY(signedIn());
        QCOMPARE(session.app()->authVM()->user()->name, QString());
    }

    void modeSwitchKeepsName()
    {
        Ui::click(window, item("segment_Sign Up"));
        Ui::type(window, item("nameField"), QStringLiteral("Robin"));
        Ui::click(window, item("segment_Sign In"));
        QVERIFY(!Ui::isShown(item("nameField")));
        Ui::click(window, item("segment_Sign Up"));
        QCOMPARE(Ui::text(item("nameField")), QStringLiteral("Robin"));
    }

    void wrongPasswordShowsServiceTextInRed()
    {
        signIn(QStringLiteral("pat@example.com"), QStringLiteral("wrong"));
        QTRY_VERIFY(Ui::isShown(item("errorText")));
        QCOMPARE(Ui::text(item("errorText")), QStringLiteral("Incorrect email or password"));
        QCOMPARE(item("errorText")->property("color").value<QColor>().red() > 200, true);
        QVERIFY(onSignIn());
        QVERIFY(item("submitButton")->isEnabled());
        Ui::screenshot(window, QStringLiteral("sign-in-error"));
    }

    void signInThenSignOutGivesFreshScreen()
    {
        signIn(QStringLiteral("pat@example.com"), QStringLiteral("secret-1"));
        QTRY_VERIFY(signedIn());
        QVERIFY(UiSession::storedEntry(QStringLiteral("auth_token")).has_value());
        Ui::click(window, item("accountMenuButton"));
        QTRY_VERIFY(Ui::isShown(item("signOutItem")));
        Ui::click(window, item("signOutItem"));
        QTRY_VERIFY(onSignIn());
        QCOMPARE(Ui::text(item("emailField")), QString());
        QCOMPARE(Ui::text(item("passwordField")), QString());
        QTRY_VERIFY(!UiSession::storedEntry(QStringLiteral("auth_token")).has_value());
    }

    void storedValidTokenOpensSignedIn()
    {
        session.quit();
        UiSession::storeEntry(QStringLiteral("auth_token"),
                              service.login(QStringLiteral("pat@example.com"), QStringLiteral("secret-1")));
        window = session.launch();
        QVERIFY(window);
        QVERIFY(signedIn());  // the first frame, before the check answers
        QTRY_VERIFY(session.app()->authVM()->user().has_value());
        QVERIFY(signedIn());
    }

    void rejectedStoredTokenFallsBackSilently()
    {
        session.quit();
        UiSession::storeEntry(QStringLiteral("auth_token"), QStringLiteral("not-a-real-token"));
        window = session.launch();
        QVERIFY(window);
        QTRY_VERIFY(onSignIn());
        QVERIFY(!Ui::isShown(item("errorText")));
    }

    void addressIsUsedOnlyAfterOk()
    {
        Ui::click(window, item("serverSettingsButton"));
        QVERIFY(Ui::isShown(item("serverField")));
        QCOMPARE(Ui::text(item("serverField")), service.baseUrl());
        // Folded away without OK: the edit stays in the field but is not used.
        Ui::type(window, item("serverField"), QStringLiteral("http://127.0.0.1:1"));
        Ui::click(window, item("serverSettingsButton"));
        QVERIFY(!Ui::isShown(item("serverField")));
        QCOMPARE(UiSession::storedEntry(QStringLiteral("server_url")), std::optional<QString>(service.baseUrl()));
        signIn(QStringLiteral("pat@example.com"), QStringLiteral("wrong"));
        QTRY_COMPARE(Ui::text(item("errorText")), QStringLiteral("Incorrect email or password"));

        // With OK the typed address is stored as typed and used by the next request.
        Ui::click(window, item("serverSettingsButton"));
        QCOMPARE(Ui::text(item("serverField")), QStringLiteral("http://127.0.0.1:1"));
        Ui::click(window, item("serverOkButton"));
        QVERIFY(!Ui::isShown(item("serverField")));
        QTRY_COMPARE(UiSession::storedEntry(QStringLiteral("server_url")),
                     std::optional<QString>(QStringLiteral("http://127.0.0.1:1")));
        Ui::click(window, item("submitButton"));
        // Nothing listens there: the transport's own text replaces the service's.
        QTRY_VERIFY(!Ui::text(item("errorText")).isEmpty()
                    && Ui::text(item("errorText")) != QStringLiteral("Incorrect email or password"));
    }

    void unfoldingWithNothingStoredShowsDefaultAddress()
    {
        session.quit();
        UiSession::clearStore();
        window = session.launch();
        QVERIFY(window);
        Ui::click(window, item("serverSettingsButton"));
        QCOMPARE(Ui::text(item("serverField")), AuthViewModel::defaultServerURL());
        Ui::screenshot(window, QStringLiteral("sign-in-server-settings"));
    }
};

int main(int argc, char* argv[])
{
    LumaroApp::prepare();
    QGuiApplication app(argc, argv);
    LoginScreenTest test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_login.moc"
