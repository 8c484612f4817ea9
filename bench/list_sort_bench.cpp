// Benchmark of a sorted list's reload: the lists' sorting layer against a proxy that collates the texts at every
// comparison.
#ifdef ORDAVO_BENCH_WITH_WINDOWS

#include "ui/list_sort_proxy.h"

#include <QCollator>
#include <QLocale>
#include <QSortFilterProxyModel>
#include <QStringListModel>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <random>

using namespace Qt::StringLiterals;

namespace {

// The same Slovenian order as the lists' layer, made anew for every comparison.
class CollatingProxy final : public QSortFilterProxyModel {
public:
    CollatingProxy() : collator_(QLocale(QLocale::Slovenian, QLocale::Slovenia))
    {
        collator_.setCaseSensitivity(Qt::CaseInsensitive);
        collator_.setNumericMode(true);
    }

protected:
    bool lessThan(const QModelIndex& left, const QModelIndex& right) const override
    {
        return collator_.compare(left.data().toString(), right.data().toString()) < 0;
    }

private:
    QCollator collator_;
};

// `count` customer names as a workshop's list holds them, in a random order.
QStringList Customers(int count, unsigned seed)
{
    const QStringList first = {u"Janez"_s, u"Marija"_s, u"Žiga"_s, u"Špela"_s, u"Čedomir"_s, u"Ana"_s, u"Boštjan"_s};
    const QStringList last = {u"Novak"_s,    u"Horvat"_s,   u"Kovačič"_s, u"Krajnc"_s,
                              u"Zupančič"_s, u"Potočnik"_s, u"Šuštar"_s};
    QStringList names;
    for (int i = 0; i < count; ++i)
        names << last[i % last.size()] + u' ' + first[(i / last.size()) % first.size()] + u" (" + QString::number(i) +
                     u')';
    std::shuffle(names.begin(), names.end(), std::mt19937(seed));
    return names;
}

// One reload of a list sorted by its text column: the model is reset with other rows and the
// view asks for the first row, which makes the proxy sort.
template <typename Proxy> void BM_SortedReload(benchmark::State& state)
{
    const int rows = int(state.range(0));
    const QStringList loads[2] = {Customers(rows, 1), Customers(rows, 2)};
    QStringListModel model;
    Proxy proxy;
    proxy.setSourceModel(&model);
    proxy.sort(0, Qt::AscendingOrder);
    int load = 0;
    for (auto _ : state) {
        model.setStringList(loads[load]);
        load = 1 - load;
        benchmark::DoNotOptimize(proxy.index(0, 0).data());
    }
    state.SetItemsProcessed(state.iterations() * rows);
}

} // namespace

BENCHMARK_TEMPLATE(BM_SortedReload, ListSortProxy)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_SortedReload, CollatingProxy)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

#endif
