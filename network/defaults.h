#pragma once
// The values a design starts from when nothing else is given: the command
// line's defaults and the windows' first values, written once.

// Quality factors: a typical air or powder-core coil, and a mica or vacuum capacitor.
constexpr double DefaultQCoil = 200.0;
constexpr double DefaultQCapacitor = 1000.0;
constexpr double DefaultPowerW = 100.0;
// The system's reference impedance: the transmitter's and the tuner's input.
constexpr double DefaultZ0 = 50.0;
// Half the span of an SWR curve, as a fraction of the design frequency (±20 %).
constexpr double DefaultSpan = 0.2;
