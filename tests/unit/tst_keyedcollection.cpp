#include "platform/KeyedCollection.h"
#include "platform/RuntimeError.h"

#include <QRandomGenerator>
#include <QTest>

#include <algorithm>

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

    // Random adds, replacements, removals and position queries against a plain sorted or appended
    // list: removals leave gaps that later position queries must not see.
    void behavesLikeAPlainList_data() {
        QTest::addColumn<int>("order");
        QTest::newRow("insertion") << int(KeyOrder::Insertion);
        QTest::newRow("text ignoring case") << int(KeyOrder::TextIgnoringCase);
    }
    void behavesLikeAPlainList() {
        QFETCH(int, order);
        KeyedCollection<int> collection{KeyOrder(order)};
        std::vector<std::pair<QString, int>> model;
        QRandomGenerator random(order + 1);
        const auto find = [&](const QString& key) {
            return std::find_if(model.begin(), model.end(),
                                [&](const auto& entry) { return entry.first == key; });
        };
        for (int step = 0; step < 4000; ++step) {
            const QString key = QStringLiteral("k%1").arg(random.bounded(60));
            const auto entry = find(key);
            switch (random.bounded(4)) {
            case 0:
            case 1:
                collection.Set(key, step);
                if (entry != model.end())
                    entry->second = step;
                else if (order == int(KeyOrder::Insertion))
                    model.emplace_back(key, step);
                else
                    model.insert(std::find_if(model.begin(), model.end(),
                                              [&](const auto& e) {
                                                  return !KeyedCollection<int>::KeyLess(e.first, key);
                                              }),
                                 {key, step});
                break;
            case 2:
                QCOMPARE(collection.Remove(key), entry != model.end());
                if (entry != model.end())
                    model.erase(entry);
                break;
            default:
                if (entry != model.end()) {
                    QCOMPARE(collection.Take(key), entry->second);
                    model.erase(entry);
                }
            }
            QCOMPARE(collection.Count(), int(model.size()));
            if (model.empty())
                continue;
            const int position = random.bounded(int(model.size()));
            QCOMPARE(collection.KeyAt(position), model[position].first);
            QCOMPARE(collection.IndexOf(model[position].first), position);
            QCOMPARE(collection.Item(model[position].first), model[position].second);
        }
        std::vector<std::pair<QString, int>> listed(collection.begin(), collection.end());
        QCOMPARE(listed, model);
    }

    void missingKeyRaises() {
        KeyedCollection<int> collection;
        QVERIFY_THROWS_EXCEPTION(RuntimeError, collection.Item("nope"));
    }
};

QTEST_GUILESS_MAIN(TestKeyedCollection)
#include "tst_keyedcollection.moc"
