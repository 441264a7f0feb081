#pragma once

#include <functional>
#include <memory>
#include <utility>

// Two-way state owned by a parent view and lent to a child: the child reads
// through get and writes through set. Empty functions read a default value and
// ignore writes, so a half-wired binding never crashes a view.
template <class T>
struct Binding {
    std::function<T()> get;
    std::function<void(T)> set;

    T value() const { return get ? get() : T{}; }
    void setValue(T value) const
    {
        if (set)
            set(std::move(value));
    }

    // Always reads value; writes go nowhere.
    static Binding constant(T value)
    {
        return {[value] { return value; }, [](T) {}};
    }

    // Reads and writes one member of an object that outlives the binding.
    template <class Owner>
    static Binding member(Owner* owner, T Owner::*field)
    {
        return {[owner, field] { return owner->*field; }, [owner, field](T value) { owner->*field = std::move(value); }};
    }

    // Owns its own storage; handy for previews and tests.
    static Binding stored(T initial = T{})
    {
        auto storage = std::make_shared<T>(std::move(initial));
        return {[storage] { return *storage; }, [storage](T value) { *storage = std::move(value); }};
    }
};
