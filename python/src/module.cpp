// The vorlansg extension module: the library's host API for Python.
#include "binding.h"
#include "state/library_state.h"

PYBIND11_MODULE(_vorlansg, module) {
    module.doc() = "VorlanSG: a geometry kernel and scene graph for 3D modelling hosts.";
    vorlansg::BindErrors(module);
    vorlansg::BindEnums(module);
    vorlansg::BindValueTypes(module);
    vorlansg::BindDevice(module);
    vorlansg::BindMaterials(module);
    vorlansg::BindPlugins(module);
    vorlansg::BindFace(module);
    vorlansg::BindObject(module);
    vorlansg::BindGroup(module);
    vorlansg::BindRoot(module);
    module.def("VgxMakeVector", &VgxFunctions::VgxMakeVector, py::arg("X"), py::arg("Y"), py::arg("Z"));
    module.def("VgxMakeUV", &VgxFunctions::VgxMakeUV, py::arg("U"), py::arg("V"));
    // How many mesh objects the calling thread holds: what a leak check counts.
    module.def("_live_object_count", [] { return vgx::Library().liveObjectCount; });
}
