// A field that tells its owner whenever its value changes, however and
// wherever it is assigned: one place hears of every change.
#pragma once

#include <functional>
#include <utility>

template <class T>
class TWatched {
public:
    TWatched(T value, std::function<void()> onChange) : FValue(value), FOnChange(std::move(onChange)) {}
    TWatched(const TWatched&) = delete;
    TWatched& operator=(const TWatched&) = delete;

    operator T() const { return FValue; }
    TWatched& operator=(T value) {
        if (value == FValue)
            return *this;
        FValue = value;
        if (FOnChange)
            FOnChange();
        return *this;
    }

private:
    T FValue;
    std::function<void()> FOnChange;
};
