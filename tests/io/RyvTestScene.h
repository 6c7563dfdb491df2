#ifndef RYVKIT_TESTS_IO_RYVTESTSCENE_H
#define RYVKIT_TESTS_IO_RYVTESTSCENE_H

#include <string>

class KRyvObjectFactory;
class KRyvScene;

// A scene with one object of every kind the native format carries, made through pFactory:
// a mesh with every layer-element kind and mapping, a shape and a skin link, NURBS and patch
// surfaces, skeleton, camera, light with a gobo, marker and null, a material, a texture whose
// file is pMediaFile (empty: none), a video, a bind pose, a user property and two takes with
// curves of every interpolation and tangent mode.
KRyvScene* BuildRyvTestScene(KRyvObjectFactory& ioFactory, const std::string& pMediaFile);

#endif
