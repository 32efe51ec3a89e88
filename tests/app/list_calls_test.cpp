#include "list_calls.h"
#include "support/app_test_main.h"

#include <QTest>
#include <vector>

using namespace moorkeep;

// Each row plays calls on one list, one step per word: c (a change starts),
// r (a read starts), R (a reread starts), aN (the Nth read started answers:
// may it be applied?), s (a call succeeds: is the list read again?),
// f (a call fails: is the list read again?), e (the files changed
// elsewhere: may it be read now?). The answers are compared in order as y/n.
class ListCallsTest : public QObject {
    Q_OBJECT

private slots:
    void answers_data() {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QString>("answers");
        QTest::newRow("a lone failure is not followed by a read") << "c f"
                                                                  << "n";
        QTest::newRow("overlapping changes of which one failed are read again once") << "c c f s"
                                                                                     << "ny";
        QTest::newRow("overlapping changes that succeed are not read again") << "c c s s"
                                                                             << "nn";
        QTest::newRow("a failure of an earlier burst is forgotten when idle") << "c f c c s s"
                                                                              << "nnn";
        QTest::newRow("a read that a change overlapped is dropped and read again") << "r c a1 s s"
                                                                                   << "nny";
        QTest::newRow("an older read never overwrites a newer one") << "r r a2 a1 s s"
                                                                    << "ynnn";
        QTest::newRow("a reread answers the wish for one") << "r c a1 s s R a2 s"
                                                           << "nnyyn";
        QTest::newRow("changes elsewhere read at once when idle") << "e R a1 s"
                                                                  << "yyn";
        QTest::newRow("changes elsewhere wait for the running calls") << "c e s"
                                                                      << "ny";
    }

    void answers() {
        QFETCH(QString, steps);
        QFETCH(QString, answers);
        ListCalls calls;
        std::vector<ListCalls::ReadTicket> reads;
        QString given;
        auto answer = [&](bool yes) { given += yes ? u'y' : u'n'; };
        for (const QString& step : steps.split(u' ')) {
            switch (step.front().unicode()) {
            case 'c':
                calls.changeStarted();
                break;
            case 'r':
                reads.push_back(calls.readStarted());
                break;
            case 'R':
                reads.push_back(calls.rereadStarted());
                break;
            case 'a':
                answer(calls.mayApply(reads.at(step.mid(1).toUInt() - 1)));
                break;
            case 's':
                answer(calls.settled(false));
                break;
            case 'f':
                answer(calls.settled(true));
                break;
            case 'e':
                answer(calls.changedElsewhere());
                break;
            default:
                QFAIL(qPrintable(step));
            }
        }
        QCOMPARE(given, answers);
    }
};

MOORKEEP_APP_TEST_MAIN(ListCallsTest)
#include "list_calls_test.moc"
