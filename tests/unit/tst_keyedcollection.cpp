#include "platform/KeyedCollection.h"
#include "platform/RuntimeError.h"

#include <QTest>

class TestKeyedCollection : public QObject {
    Q_OBJECT
private slots:
    void order_data() {
        QTest::addColumn<int>("order");
        QTest::addColumn<QStringList>("added");
        QTest::addColumn<QStringList>("expected");
        const QStringList added{"GamesID12", "appsID3", "ZedID2", "AppsID4", "gamesID7"};
        QTest::newRow("insertion") << int(KeyOrder::Insertion) << added << added;
        QTest::newRow("text ignoring case")
            << int(KeyOrder::TextIgnoringCase) << added
            << QStringList{"appsID3", "AppsID4", "GamesID12", "gamesID7", "ZedID2"};
    }
    void order() {
        QFETCH(int, order);
        QFETCH(QStringList, added);
        QFETCH(QStringList, expected);
        KeyedCollection<int> collection{KeyOrder(order)};
        for (int i = 0; i < added.size(); ++i)
            collection.Set(added[i], i);
        QCOMPARE(collection.Count(), expected.size());
        for (int position = 0; position < expected.size(); ++position) {
            QCOMPARE(collection.KeyAt(position), expected[position]);
            QCOMPARE(collection.IndexOf(expected[position]), position);
            QCOMPARE(collection.ItemAt(position), int(added.indexOf(expected[position])));
        }
    }

    void replaceKeepsPositionAndRemoveShifts() {
        KeyedCollection<QString> collection{KeyOrder::TextIgnoringCase};
        collection.Set("b", "1");
        collection.Set("a", "2");
        collection.Set("c", "3");
        collection.Set("b", "4");
        QCOMPARE(collection.Count(), 3);
        QCOMPARE(collection.IndexOf("b"), 1);
        QCOMPARE(collection.Item("b"), QString("4"));
        QVERIFY(collection.Remove("a"));
        QVERIFY(!collection.Remove("a"));
        QCOMPARE(collection.IndexOf("b"), 0);
        QCOMPARE(collection.IndexOf("c"), 1);
        QCOMPARE(collection.IndexOf("a"), -1);
        QCOMPARE(collection.Take("c"), QString("3"));
        QCOMPARE(collection.Count(), 1);
    }

    void missingKeyRaises() {
        KeyedCollection<int> collection;
        QVERIFY_THROWS_EXCEPTION(RuntimeError, collection.Item("nope"));
    }
};

QTEST_GUILESS_MAIN(TestKeyedCollection)
#include "tst_keyedcollection.moc"
