#pragma once

// One flag per adjoining band of a mesh or per band check box of a dialog.
struct TTBandFlags {
  bool North = false, South = false, West = false, East = false;
  friend bool operator==(const TTBandFlags&, const TTBandFlags&) = default;
};

// A rectangle of whole degrees as the load dialogs take it from their four
// side fields. Sides are kept as entered, possibly in the wrong order.
struct TTDegreeRect {
  int MaxLat = 1, MinLat = -1, MinLon = -1, MaxLon = 1;
  bool IsValid() const { return MaxLat > MinLat && MaxLon > MinLon; }
};

// A band may not lie beyond a pole or the date line: each side stands at its
// limit when the band on that side would leave the globe.
inline bool NorthAtLimit(const TTDegreeRect& r) { return r.MaxLat == 90; }
inline bool SouthAtLimit(const TTDegreeRect& r) { return r.MinLat == -90; }
inline bool WestAtLimit(const TTDegreeRect& r) { return r.MinLon == -180; }
inline bool EastAtLimit(const TTDegreeRect& r) { return r.MaxLon == 180; }
