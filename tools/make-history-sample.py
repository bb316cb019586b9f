#!/usr/bin/python3
"""A heard log of made-up openings for looking at the History view:
   make-history-sample.py OUT.csv [DAYS] [END_EPOCH_SECONDS]
One cycle in three of the last DAYS days (default 30) up to the end's hour,
on all five bands, heard by a rough rule: a path is open while the sun is up
at its midpoint, the higher bands for a shorter time around noon there and
the long paths less often. Only for pictures: the numbers are not a
propagation model. Import with
   orvane-cli history --db sqlite:FILE --import-csv OUT.csv --receiver NAME"""
import math
import random
import sys
import time

# (call, latitude, longitude) in slot order, as the program's station table.
BEACONS = [
    ("4U1UN", 40.75, -73.97), ("VE8AT", 82.50, -62.35), ("W6WX", 37.16, -121.90), ("KH6WO", 21.64, -157.93),
    ("ZL6B", -40.90, 175.62), ("VK6RBP", -32.08, 116.05), ("JA2IGY", 34.45, 136.78), ("RR9O", 54.98, 82.90),
    ("VR2B", 22.27, 114.15), ("4S7B", 6.90, 79.87), ("ZS6DN", -25.90, 28.28), ("5Z4B", -3.63, 39.83),
    ("4X6TU", 32.05, 34.77), ("OH2B", 60.22, 24.65), ("CS3B", 32.65, -16.92), ("LU4AA", -34.62, -58.37),
    ("OA4B", -12.05, -77.05), ("YV5B", 10.42, -66.85),
]
BANDS = ["14.100", "18.110", "21.150", "24.930", "28.200"]
HOME_LAT, HOME_LON = 52.1, 5.2  # JO22


def distance_km(lat1, lon1, lat2, lon2):
    p1, p2, dl = math.radians(lat1), math.radians(lat2), math.radians(lon2 - lon1)
    return 6371 * math.acos(max(-1.0, min(1.0, math.sin(p1) * math.sin(p2) + math.cos(p1) * math.cos(p2) * math.cos(dl))))


def main():
    out = sys.argv[1]
    days = int(sys.argv[2]) if len(sys.argv) > 2 else 30
    end = int(sys.argv[3]) if len(sys.argv) > 3 else int(time.time())
    end -= end % 3600
    start = end - days * 86400
    rnd = random.Random(25)
    with open(out, "w") as f:
        f.write("utc,mhz,slot,call,heard,snr1,snr2,snr3,snr4,tone_offset_hz,time_offset_ms\n")
        for cycle_start in range(start, end, 540):
            for s in range(18):
                t = cycle_start + 10 * s
                utc_hour = (t % 86400) / 3600.0
                stamp = time.strftime("%Y-%m-%dT%H:%M:%SZ", time.gmtime(t))
                for band, mhz in enumerate(BANDS):
                    index = (s - band) % 18
                    call, lat, lon = BEACONS[index]
                    noon = (12 - ((HOME_LON + lon) / 2) / 15) % 24
                    off = min(abs(utc_hour - noon), 24 - abs(utc_hour - noon))
                    width = 7.0 - 1.0 * band
                    reach = max(0.15, 1 - distance_km(HOME_LAT, HOME_LON, lat, lon) / 22000)
                    p = max(0.0, math.cos(math.pi / 2 * min(1.0, off / width))) * reach * 0.9
                    heard = rnd.random() < p
                    if heard:
                        snr = round(4 + 22 * p + rnd.gauss(0, 3), 1)
                        dashes = [snr, snr - 10, snr - 20, snr - 30]
                        cells = [f"{d:.1f}" if d > 3 else "" for d in dashes]
                        cells[0] = f"{max(snr, 3.5):.1f}"
                    else:
                        cells = ["", "", "", ""]
                    f.write(f"{stamp},{mhz},{index + 1},{call},{int(heard)},{','.join(cells)},0.0,0\n")


if __name__ == "__main__":
    main()
