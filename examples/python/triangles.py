"""Counts the triangles of every IndexedFaceSet of VRML97 worlds.

    python3 examples/python/triangles.py WORLD.wrl [WORLD.wrl.gz ...]

A face of n corners makes n - 2 triangles; the face list is one numpy array
per mesh, so the count needs no loop over the faces.
"""
import sys

import numpy as np

import zebvrml2


def triangles(face_set):
    index = face_set["coordIndex"]
    ends = np.flatnonzero(index == -1)
    if index.size and index[-1] != -1:  # the last face may end without -1
        ends = np.append(ends, index.size)
    corners = np.diff(np.concatenate(([-1], ends))) - 1
    return int(np.maximum(corners - 2, 0).sum())


def main(paths):
    for path in paths:
        with zebvrml2.load(path) as scene:
            counts = [triangles(mesh) for mesh in scene.nodes("IndexedFaceSet")]
        print(f"{path}: {len(counts)} IndexedFaceSets, {sum(counts)} triangles")


if __name__ == "__main__":
    main(sys.argv[1:])
