"""The usual OpenCV recipe for flattening a photographed page, as a whole
process: find the page's four corners on a copy reduced to 500 rows (grey,
5 x 5 Gaussian blur, Canny 75/200, the contours by area, the first one that
approxPolyDP with 2 % of its perimeter makes a quadrilateral), order them,
warp the full picture onto a rectangle as wide and high as the longer of
each pair of opposite sides, and write it as PNG at zlib level 6.
Usage: opencv_flatten.py PHOTO OUT.png; exit status 3 when no page is found."""
import sys

import cv2
import numpy as np

photo, output = sys.argv[1], sys.argv[2]
image = cv2.imread(photo)
scale = image.shape[0] / 500.0
small = cv2.resize(image, (round(image.shape[1] / scale), 500))
grey = cv2.GaussianBlur(cv2.cvtColor(small, cv2.COLOR_BGR2GRAY), (5, 5), 0)
edges = cv2.Canny(grey, 75, 200)
contours, _ = cv2.findContours(edges, cv2.RETR_LIST, cv2.CHAIN_APPROX_SIMPLE)
page = None
for contour in sorted(contours, key=cv2.contourArea, reverse=True):
    approx = cv2.approxPolyDP(contour, 0.02 * cv2.arcLength(contour, True), True)
    if len(approx) == 4:
        page = approx.reshape(4, 2).astype(np.float32) * scale
        break
if page is None:
    sys.exit(3)

# Top left: the least x + y; bottom right: the most; top right: the least y - x; bottom left: the most.
sums, differences = page.sum(axis=1), np.diff(page, axis=1).ravel()
corners = np.array([page[np.argmin(sums)], page[np.argmin(differences)], page[np.argmax(sums)],
                    page[np.argmax(differences)]], dtype=np.float32)
top_left, top_right, bottom_right, bottom_left = corners
width = int(max(np.linalg.norm(bottom_right - bottom_left), np.linalg.norm(top_right - top_left)))
height = int(max(np.linalg.norm(top_right - bottom_right), np.linalg.norm(top_left - bottom_left)))
target = np.array([[0, 0], [width - 1, 0], [width - 1, height - 1], [0, height - 1]], dtype=np.float32)
flat = cv2.warpPerspective(image, cv2.getPerspectiveTransform(corners, target), (width, height))
cv2.imwrite(output, flat, [cv2.IMWRITE_PNG_COMPRESSION, 6])
