// Drawing of the measurement: the video curve, the bar graph of the CCD line
// with its indicators, and the five-trace strip chart of the raw values.
// Positions are in the sensor's sub-pixel units. Nothing here talks to the
// sensor or changes a setting.
#pragma once

#include "com232/protocol.h"
#include "settings/riror14.h"

// Colours of the pictures (24-bit RGB).
inline constexpr int COLOR_VIDEO_SIGNAL = 0xFF0000; // video curve
inline constexpr int COLOR_VIDEO_THD = 0x008000;    // threshold line
inline constexpr int COLOR_BAR_EDGE = 0xFF0000;     // bar graph: beside the edges
inline constexpr int COLOR_BAR_TOL = 0x00FF00;      // bar graph: tolerance band

// Redraws GRAPHVideo: the 256 samples in red and thdArray in dark green over
// the given x positions, the y axis fixed from 0 to YAXISMAX. Returns 0.
int PlotVIDEOCurve(const u16 *samples, const double *xPositions);

// Fills the indicators from the measurement words of the reply and
// redraws GRAPHBar: the three
// cursors, the red bars beside the edges and the green tolerance bars.
// Returns 0.
int PlotVIDEOBarGraph(const RunReply &r);
int PlotVIDEOBarGraph(void); // from the measurement variables

// Adds the newest point (limits, set-point, Mvalue, analog value) to the
// history arrayNORM and hands the whole history to CHARTRaw, zoomed onto the
// set-point while SWITCHZoom is on.
void PlotRAWGraphX8(const RunReply &r);
void PlotRAWGraphX8(void); // from the measurement variables

// Position of cursor 1 before clamping, by evaluation mode: 0 left edge,
// 1 right edge, otherwise the centre (1 while an edge is missing).
u16 MeasuredPosition(const RunReply &r);
u16 MeasuredPosition(void); // from the measurement variables

// Value of strip-chart trace 5, chosen by anaMode.
u16 AnalogTraceValue(const RunReply &r);
u16 AnalogTraceValue(void); // from the measurement variables
