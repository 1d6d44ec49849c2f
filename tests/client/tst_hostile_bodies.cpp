// Hostile answers, moments and secrets: seeded mutations of valid inputs must
// decode completely or fail with the decoder's own error. Nothing else may
// happen: no crash, no other exception, no value with a field lost or altered.
#include "DecoderOracles.h"

#include <QElapsedTimer>
#include <QTest>
#include <functional>
#include <random>
#include <vector>

using nlohmann::json;
using namespace Qt::StringLiterals;
using namespace oracle;

namespace {

// A fixed seed per case: the same variants on every run, so a failure found
// once is found again.
using Random = std::mt19937;

std::size_t pick(Random& random, std::size_t bound)
{
    return bound == 0 ? 0 : std::size_t(random() % bound);
}

// An input slower than this counts as a hang: the largest, at the answer size
// bound, needs milliseconds.
constexpr qint64 hangMs = 5000;

QByteArray nested(int depth, const QByteArray& inner)
{
    return QByteArray(depth, '[') + inner + QByteArray(depth, ']');
}

// ---- Answers ---------------------------------------------------------------

// Pieces a byte-level mutation inserts: JSON syntax, literals at and past the
// number bounds, broken escapes and invalid UTF-8 (lone continuation,
// overlong, surrogate, past U+10FFFF, cut sequences), a BOM and a NUL.
const std::vector<QByteArray> jsonPieces = {
    "{", "}", "[", "]", "\"", ":", ",", "\\", "-", "+", ".", "e", "E", "0", "9", " ", "\n",
    "null", "true", "false", "-0", "1.5", "1e400", "-1e400", "1e-400", "18446744073709551616",
    "9223372036854775808", "-9223372036854775809", "123456789012345678901234567890", "\"\"",
    "[]", "{}", "\\u0000", "\\ud800", "\\udc00", "\\u", "\\x", "NaN", "Infinity", "/**/",
    "\x80", "\xc0\x80", "\xed\xa0\x80", "\xf4\x90\x80\x80", "\xff", "\xef\xbb\xbf", "\xc3",
    "\xe2\x82", QByteArray(1, '\0'),
};

// Texts put in place of one value: every JSON type, integers around the
// qint64 and uint64 bounds, overflowing and malformed numbers, strings with
// escapes, a leading U+FEFF (which Qt's UTF-8 reader drops unless told not
// to), broken UTF-8, deep nesting.
const std::vector<QByteArray> valueTexts = {
    "null", "true", "false", "0", "-0", "-1", "1.0", "1.5", "-1.5e3", "1E2", "0.1e-400",
    "9223372036854775807", "9223372036854775808", "-9223372036854775808",
    "-9223372036854775809", "18446744073709551615", "18446744073709551616", "1e308", "1e309",
    "-1e400", "123456789012345678901234567890", "01", "1.", ".5", "-", "+1", "0x10", "NaN",
    "Infinity", "\"\"", "\"x\"", "\"\\u0000\"", "\"\\ud83d\\ude00\"", "\"\\ud800\"",
    "\"\xc3\xa9\"", "\"\xef\xbb\xbfx\"", "\"\xc3\"", "\"\xed\xa0\x80\"", "\"\xf0\x9f\x98\"", "\"\\\"",
    "\"2025-03-07T10:15:30Z\"", "[]", "[true]", "{}", "{\"ok\":true}", nested(64, "1"),
    nested(20000, ""), QByteArray(20000, '['),
};

QByteArray mutateBytes(QByteArray body, Random& random)
{
    const int steps = 1 + int(pick(random, 4));
    for (int step = 0; step < steps; ++step) {
        const qsizetype at = qsizetype(pick(random, std::size_t(body.size()) + 1));
        switch (pick(random, 11)) {
        case 0:
        case 1:
            if (at < body.size())
                body[at] = char(body[at] ^ (1 << pick(random, 8)));
            break;
        case 2:
            if (at < body.size())
                body[at] = char(pick(random, 256));
            break;
        case 3:
        case 4:
        case 5:
            body.insert(at, jsonPieces[pick(random, jsonPieces.size())]);
            break;
        case 6:
        case 7:
            body.remove(at, qsizetype(1 + pick(random, 8)));
            break;
        case 8:
        case 9: {
            // A copied slice: doubled keys, values and brackets.
            const qsizetype from = qsizetype(pick(random, std::size_t(body.size()) + 1));
            body.insert(at, body.mid(from, qsizetype(pick(random, 40))));
            break;
        }
        default:
            body.truncate(at);
        }
    }
    return body;
}

QByteArray dumped(const json& document) { return QByteArray::fromStdString(document.dump()); }

// The objects whose values get replaced: the answer itself, or each element
// of a list answer.
std::vector<json*> objectsOf(json& document)
{
    std::vector<json*> objects;
    if (document.is_object())
        objects.push_back(&document);
    else if (document.is_array())
        for (auto& element : document)
            if (element.is_object())
                objects.push_back(&element);
    return objects;
}

// Variants built from a parsed valid answer: each key's value replaced by
// each value text, each key removed, each key written a second time before
// and after the original, the whole answer nested and left open.
void structuredVariants(const QByteArray& valid, const std::vector<const char*>& keys,
                        const std::function<void(const QByteArray&)>& test)
{
    const json original = json::parse(valid.toStdString());
    static const std::string marker = "\x01hostile\x01";
    const QByteArray quotedMarker = dumped(json(marker));
    for (std::size_t index = 0;; ++index) {
        json document = original;
        const auto objects = objectsOf(document);
        if (index >= objects.size())
            break;
        json& object = *objects[index];
        for (const char* key : keys) {
            const json kept = object;
            object[key] = marker;
            const QByteArray withMarker = dumped(document);
            for (const QByteArray& value : valueTexts)
                test(QByteArray(withMarker).replace(quotedMarker, value));
            object = kept;
            object.erase(key);
            test(dumped(document));
            object = kept;
        }
    }

    const QByteArray text = dumped(original);
    for (qsizetype at = 0; at < text.size(); ++at) {
        if (text[at] != '{' && text[at] != '}')
            continue;
        for (const char* key : keys) {
            for (const char* value : {"null", "true", "7", "\"dup\"", "[]"}) {
                const QByteArray pair = '"' + QByteArray(key) + "\":" + value;
                test(QByteArray(text).insert(at + (text[at] == '{'),
                                             text[at] == '{' ? pair + ',' : ',' + pair));
            }
        }
    }

    for (int depth : {1, 2, 100, 100000})
        test(nested(depth, text));
    test(QByteArray(100000, '[') + text);
    QByteArray openObjects;
    for (int i = 0; i < 50000; ++i)
        openObjects += "{\"a\":";
    test(openObjects + text);
    test(text + text);
    test(text + ",");
}

const QByteArray minimalDevice = R"({"id": "d1", "name": "Alex's MacBook", "child_name": "Alex"})";
const QByteArray fullDevice =
    "{\"id\":\"d1\",\"name\":\"Zo\xc3\xab's Mac\",\"child_name\":\"Zo\\u00eb\","
    "\"api_token\":\"tok\",\"shared_secret\":\"3132\",\"agent_version\":\"1.4.2\","
    "\"last_seen\":\"2025-03-07T10:15:30.123Z\",\"created_at\":null,"
    "\"bonus_until\":\"2025-03-07T11:00:00+01:00\",\"os\":{\"name\":\"macOS\"}}";
const QByteArray minimalPolicy =
    R"({"downtime_enabled": true, "downtime_start": "21:00", "downtime_end": "07:00",
        "screen_time_enabled": false, "screen_time_limit_minutes": 120})";
const QByteArray fullPolicy =
    R"({"downtime_enabled":false,"downtime_start":"21:00","downtime_end":"07:00",
        "downtime_weekday_start":"22:00","downtime_weekday_end":null,
        "downtime_weekend_start":"23:00","downtime_weekend_end":"08:00",
        "screen_time_enabled":true,"screen_time_limit_minutes":-9223372036854775808,
        "screen_time_weekend_limit_minutes":9223372036854775807,"screen_time_mon_minutes":1,
        "screen_time_tue_minutes":2,"screen_time_wed_minutes":3,"screen_time_thu_minutes":4,
        "screen_time_fri_minutes":5,"screen_time_sat_minutes":6,"screen_time_sun_minutes":0})";
const QByteArray activity =
    R"({"id":"a1","name":"Piano","day_of_week":0,"start_time":"16:00","end_time":"17:00",
        "buffer_before_minutes":5,"buffer_after_minutes":10,"enabled":true})";
const QByteArray usage = R"({"date":"2025-03-07","total_minutes":12.5})";

// Valid answers the variants start from, by decoder name.
const QHash<QString, std::vector<QByteArray>>& validAnswers()
{
    static const QHash<QString, std::vector<QByteArray>> table = {
        {"User", {R"({"id":"u1","email":"p@example.com","name":"Pat","created":1})"}},
        {"TokenResponse", {R"({"access_token":"abc.def","token_type":"bearer"})"}},
        {"Device", {minimalDevice, fullDevice}},
        {"Device list", {"[]", '[' + minimalDevice + ',' + fullDevice + ']'}},
        {"Policy", {minimalPolicy, fullPolicy}},
        {"Activity", {activity}},
        {"Activity list", {'[' + activity + ',' + activity + ']'}},
        {"UsageEntry", {usage, R"({"date":"2025-03-07","total_minutes":30})"}},
        {"Usage list", {'[' + usage + R"(,{"date":"x","total_minutes":-1e300}])"}},
        {"GrantBonusResponse", {R"({"bonus_until":"2025-03-07T11:00:00Z"})"}},
        {"ErrorResponse", {R"({"detail":"Device not found"})"}},
        {"bool map", {R"({"ok":true,"deleted":false})"}},
    };
    return table;
}

struct Tally
{
    int tried = 0;
    int decoded = 0;
    int refused = 0;
    qint64 slowestMs = 0;
};

// ---- Moments and secrets ---------------------------------------------------

// UTF-16 pieces for moment and secret mutations: format characters, other
// scripts' digits, a NUL, lone surrogates and a whole surrogate pair.
const std::vector<QString> textPieces = {
    u"0"_s, u"1"_s, u"5"_s, u"9"_s, u"-"_s, u":"_s, u"T"_s, u"t"_s, u"Z"_s,
    u"z"_s, u"."_s, u"+"_s, u" "_s, u"a"_s, u"F"_s, u"g"_s, u"x"_s, u"60"_s,
    u"24"_s, u"1234567890"_s, QString(QChar(0)), QString(QChar(0xd800)),
    QString(QChar(0xdc00)), u"\u00e9"_s, u"\u0663"_s, u"\uff10"_s, u"\uff21"_s,
    u"\U0001F600"_s,
};

QString mutateText(QString text, Random& random)
{
    const int steps = 1 + int(pick(random, 3));
    for (int step = 0; step < steps; ++step) {
        const qsizetype at = qsizetype(pick(random, std::size_t(text.size()) + 1));
        const QString& piece = textPieces[pick(random, textPieces.size())];
        switch (pick(random, 5)) {
        case 0:
            if (at < text.size())
                text.replace(at, 1, piece);
            break;
        case 1:
            text.insert(at, piece);
            break;
        case 2:
            text.remove(at, qsizetype(1 + pick(random, 4)));
            break;
        case 3:
            text.insert(at, text.mid(qsizetype(pick(random, std::size_t(text.size()) + 1)),
                                     qsizetype(pick(random, 12))));
            break;
        default:
            text.truncate(at);
        }
    }
    return text;
}

// Every variant of one text: each prefix, each unit replaced by each piece,
// then seeded stacked mutations.
void textVariants(const QString& valid, int randomCount, Random& random,
                  const std::function<void(const QString&)>& test)
{
    for (qsizetype length = 0; length <= valid.size(); ++length)
        test(valid.left(length));
    for (qsizetype at = 0; at < valid.size(); ++at)
        for (const QString& piece : textPieces)
            test(QString(valid).replace(at, 1, piece));
    for (int i = 0; i < randomCount; ++i)
        test(mutateText(valid, random));
}

}  // namespace

class HostileInputTest : public QObject
{
    Q_OBJECT

private slots:
    void answers_data()
    {
        QTest::addColumn<int>("decoder");
        QTest::addColumn<uint>("seed");
        const auto& oracles = decoderOracles();
        for (std::size_t i = 0; i < oracles.size(); ++i)
            QTest::newRow(oracles[i].name) << int(i) << uint(i + 1);
    }

    void answers()
    {
        QFETCH(int, decoder);
        QFETCH(uint, seed);
        const DecoderOracle& oracle = decoderOracles()[std::size_t(decoder)];
        const std::vector<QByteArray> valid = validAnswers().value(QString::fromLatin1(oracle.name));
        QVERIFY(!valid.empty());
        Random random(seed);
        Tally tally;
        QStringList problems;

        const auto test = [&](const QByteArray& body) {
            ++tally.tried;
            QElapsedTimer timer;
            timer.start();
            Verdict verdict = judgeAnswer(oracle, body);
            const qint64 elapsed = timer.elapsed();
            tally.slowestMs = qMax(tally.slowestMs, elapsed);
            if (elapsed > hangMs)
                verdict = {Verdict::wrong, QStringLiteral("took %1 ms").arg(elapsed)};
            switch (verdict.outcome) {
            case Verdict::decoded: ++tally.decoded; break;
            case Verdict::refused: ++tally.refused; break;
            case Verdict::wrong:
                if (problems.size() < 5)
                    problems << verdict.problem + QStringLiteral(" for body (hex) ")
                                    + QString::fromLatin1(body.left(200).toHex());
            }
        };

        for (const QByteArray& body : valid) {
            // The seeds themselves must decode, or every variant below proves nothing.
            const int decodedBefore = tally.decoded;
            test(body);
            QVERIFY2(tally.decoded == decodedBefore + 1, body.constData());

            for (qsizetype length = 0; length < body.size(); ++length)
                test(body.left(length));
            structuredVariants(body, oracle.keys, test);
            for (int i = 0; i < 3000; ++i)
                test(mutateBytes(body, random));
        }
        // As deep as an answer within the size bound can open: refused at
        // once, not after building millions of levels.
        test(QByteArray(APIClient::maxAnswerBytes, '['));

        qInfo("%s: %d variants, %d decoded, %d refused, slowest %lld ms", oracle.name,
              tally.tried, tally.decoded, tally.refused, tally.slowestMs);
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(u'\n')));
        QCOMPARE(tally.decoded + tally.refused, tally.tried);
        // Both outcomes must occur: variants that all fail would test only the parser.
        QVERIFY(tally.decoded > int(valid.size()));
        QVERIFY(tally.refused > tally.tried / 2);
    }

    void moments()
    {
        textCases({u"2025-03-07T10:15:30Z"_s, u"2025-03-07T10:15:30.123Z"_s,
                   u"2024-02-29t23:59:60.999999999z"_s, u"0001-01-01T00:00:00+23:59"_s,
                   u"9999-12-31T23:59:59-23:59"_s, u"2025-03-07T10:15:30.5+05:30"_s},
                  101, "moments", [](const QString& text, bool* accepted) {
                      return momentProblem(text, accepted);
                  });
    }

    void secrets()
    {
        textCases({QString(), u"0"_s, u"00"_s, u"3132333435363738393031323334353637383930"_s,
                   u"ABCDEFabcdef0123456789"_s, QString(1000, u'f')},
                  202, "secrets", [](const QString& text, bool* accepted) {
                      return secretProblem(text, accepted);
                  });
    }

private:
    using TextOracle = std::function<std::optional<QString>(const QString&, bool*)>;

    void textCases(const QStringList& valid, uint seed, const char* what, const TextOracle& judge)
    {
        Random random(seed);
        int tried = 0, accepted = 0;
        QStringList problems;
        for (const QString& text : valid) {
            bool seedAccepted = false;
            QVERIFY2(!judge(text, &seedAccepted) && seedAccepted, qPrintable(text));
            textVariants(text, 2000, random, [&](const QString& variant) {
                ++tried;
                bool wasAccepted = false;
                const auto problem = judge(variant, &wasAccepted);
                accepted += wasAccepted;
                if (problem && problems.size() < 5)
                    problems << *problem;
            });
        }
        qInfo("%s: %d variants, %d accepted", what, tried, accepted);
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(u'\n')));
        QVERIFY(accepted > valid.size());
    }
};

QTEST_GUILESS_MAIN(HostileInputTest)
#include "tst_hostile_bodies.moc"
