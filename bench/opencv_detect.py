"""The usual OpenCV recipe for finding a photographed page, on every photo of
a folder that truth.json names: read the photo, find its four corners on a
copy reduced to 500 rows (grey, 5 x 5 Gaussian blur, Canny 75/200, the
contours by area, the first one that approxPolyDP with 2 % of its perimeter
makes a quadrilateral). Prints the seconds all photos took together.
Usage: opencv_detect.py FOLDER"""
import json
import os
import sys
import time

import cv2

folder = sys.argv[1]
with open(os.path.join(folder, "truth.json"), encoding="utf-8") as labels:
    names = sorted(json.load(labels))
start = time.perf_counter()
for name in names:
    image = cv2.imread(os.path.join(folder, name))
    scale = image.shape[0] / 500.0
    small = cv2.resize(image, (round(image.shape[1] / scale), 500))
    grey = cv2.GaussianBlur(cv2.cvtColor(small, cv2.COLOR_BGR2GRAY), (5, 5), 0)
    edges = cv2.Canny(grey, 75, 200)
    contours, _ = cv2.findContours(edges, cv2.RETR_LIST, cv2.CHAIN_APPROX_SIMPLE)
    for contour in sorted(contours, key=cv2.contourArea, reverse=True):
        if len(cv2.approxPolyDP(contour, 0.02 * cv2.arcLength(contour, True), True)) == 4:
            break
print(f"{time.perf_counter() - start:.3f}")
