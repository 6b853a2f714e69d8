#pragma once

#include <cstddef>
#include <mutex>
#include <variant>
#include <vector>

#include "cef/cef_string.h"
#include "cef/ref_counted.h"

enum CefValueType { VTYPE_INVALID = 0, VTYPE_NULL, VTYPE_BOOL, VTYPE_INT, VTYPE_STRING };

// An indexed list of values. Setting an index past the end grows the list with null values.
class CefListValue : public CefBaseRefCounted {
public:
    static CefRefPtr<CefListValue> Create();

    virtual std::size_t GetSize() const = 0;
    virtual bool SetSize(std::size_t size) = 0;
    virtual CefValueType GetType(std::size_t index) const = 0;

    virtual bool SetNull(std::size_t index) = 0;
    virtual bool SetBool(std::size_t index, bool value) = 0;
    virtual bool SetInt(std::size_t index, int value) = 0;
    virtual bool SetString(std::size_t index, const CefString& value) = 0;

    // A missing index or another type gives false, 0 or an empty string.
    virtual bool GetBool(std::size_t index) const = 0;
    virtual int GetInt(std::size_t index) const = 0;
    virtual CefString GetString(std::size_t index) const = 0;
};
