"""Scales a VRML97 world by a factor and writes it back.

    python3 examples/python/scale.py FACTOR IN.wrl OUT.wrl

Every length of the world is multiplied: coordinates, Transform translations
and centres, and the sizes of the primitive shapes. DEF names, ROUTEs, PROTOs
and every other value are written back as they were read.
"""
import sys

import zebvrml2

LENGTHS = {
    "Coordinate": ["point"],
    "Transform": ["translation", "center"],
    "Box": ["size"],
    "Sphere": ["radius"],
    "Cone": ["bottomRadius", "height"],
    "Cylinder": ["radius", "height"],
    "ElevationGrid": ["height", "xSpacing", "zSpacing"],
}


def scaled(value, factor):
    if isinstance(value, tuple):
        return tuple(v * factor for v in value)
    return value * factor  # a float or a numpy array


def main(factor, source, target):
    with zebvrml2.load(source) as scene:
        for node in scene.nodes():
            for name in LENGTHS.get(node.type, []):
                node[name] = scaled(node[name], factor)
        scene.write(target)
        for line, severity, message in scene.diagnostics:
            if severity == "problem":
                print(f"{source}:{line}: {message}", file=sys.stderr)


if __name__ == "__main__":
    main(float(sys.argv[1]), sys.argv[2], sys.argv[3])
