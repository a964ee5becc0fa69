#pragma once

// Checks that a three-way comparison is a strict weak order over every pair and triple of the
// values, which std::sort needs: an order that is not one can leave rows out of place or crash.

#include <QList>
#include <QtTest>

template <typename T, typename Compare> bool isStrictWeakOrder(const QList<T>& values, Compare compare)
{
    const auto less = [&](const T& a, const T& b) { return compare(a, b) < 0; };
    const auto equivalent = [&](const T& a, const T& b) { return !less(a, b) && !less(b, a); };
    for (const T& a : values) {
        if (less(a, a)) {
            qWarning() << "not irreflexive at" << a;
            return false;
        }
        for (const T& b : values) {
            if ((compare(a, b) < 0) != (compare(b, a) > 0)) {
                qWarning() << "not antisymmetric at" << a << b;
                return false;
            }
            for (const T& c : values) {
                if (less(a, b) && less(b, c) && !less(a, c)) {
                    qWarning() << "not transitive at" << a << b << c;
                    return false;
                }
                if (equivalent(a, b) && equivalent(b, c) && !equivalent(a, c)) {
                    qWarning() << "equivalence not transitive at" << a << b << c;
                    return false;
                }
            }
        }
    }
    return true;
}
