// The optional error text of a function that reports failure with false and
// the reason in *error.
#pragma once

#include <string>
#include <utility>

// Puts the reason into *error when the caller asked for one (error not null).
inline void SetError(std::string* error, std::string text)
{
    if (error != nullptr)
        *error = std::move(text);
}
