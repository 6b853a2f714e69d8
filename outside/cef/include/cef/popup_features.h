#pragma once

// Position and size that a page asked for when it opened a pop-up; a value counts only when its
// "Set" flag is non-zero.
struct CefPopupFeatures {
    int x = 0;
    int xSet = 0;
    int y = 0;
    int ySet = 0;
    int width = 0;
    int widthSet = 0;
    int height = 0;
    int heightSet = 0;
    int isPopup = 0;
};
