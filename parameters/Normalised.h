// Parameter values cross the host interface as 32-bit floats meant to lie in
// [0, 1]; a host can send anything. Every conversion of such a value into an
// integer or a size starts here, so no NaN or out-of-range float ever reaches
// a float-to-integer conversion.
#pragma once

// NaN becomes 0; other values are clamped to [0, 1]. Values in [0, 1] pass unchanged.
inline float clampNormalised(float v)
{
    if (!(v >= 0.0f))
        return 0.0f;
    return v > 1.0f ? 1.0f : v;
}
