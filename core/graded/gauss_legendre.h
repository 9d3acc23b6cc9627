// Gauss-Legendre rules on [-1, 1]: nodes and weights of the 2-, 3- and 8-point rules,
// exact for polynomials of degree 3, 5 and 15, for the loss models' smooth integrals.
#pragma once

constexpr double gauss2_x[2] = {-0.5773502691896258, 0.5773502691896258};
constexpr double gauss3_x[3] = {-0.7745966692414834, 0.0, 0.7745966692414834};
constexpr double gauss3_w[3] = {0.5555555555555556, 0.8888888888888888, 0.5555555555555556};
constexpr double gauss8_x[8] = {-0.9602898564975363, -0.7966664774136267, -0.5255324099163290,
                                -0.1834346424956498, 0.1834346424956498,  0.5255324099163290,
                                0.7966664774136267,  0.9602898564975363};
constexpr double gauss8_w[8] = {0.1012285362903763, 0.2223810344533745, 0.3137066458778873,
                                0.3626837833783620, 0.3626837833783620, 0.3137066458778873,
                                0.2223810344533745, 0.1012285362903763};
