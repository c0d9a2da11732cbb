"""VorlanSG: a geometry kernel and scene graph for 3D modelling hosts.

The C++ host API under the same names (``Vgx.create()``, ``VgxObject.AddFaces``,
``VgxGroup.Load`` ...), with geometry as NumPy arrays and the library's errors as
``VgxError``. A scene root and everything made from it belong to the thread that
created the root; threads with roots of their own run in parallel, since long
operations release the GIL.
"""
from ._vorlansg import *  # noqa: F401,F403
from ._vorlansg import VgxError, _live_object_count  # noqa: F401
