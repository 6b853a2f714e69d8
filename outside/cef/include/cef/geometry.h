#pragma once

class CefRect {
public:
    CefRect() = default;
    CefRect(int x, int y, int width, int height) : x(x), y(y), width(width), height(height) {}

    bool operator==(const CefRect& other) const = default;

    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

class CefSize {
public:
    CefSize() = default;
    CefSize(int width, int height) : width(width), height(height) {}

    bool operator==(const CefSize& other) const = default;

    int width = 0;
    int height = 0;
};
