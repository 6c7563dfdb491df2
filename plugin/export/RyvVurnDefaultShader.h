#ifndef RYVKIT_PLUGIN_EXPORT_RYVVURNDEFAULTSHADER_H
#define RYVKIT_PLUGIN_EXPORT_RYVVURNDEFAULTSHADER_H

#include "platform/vurn/MObject.h"

// The "Default_Material" phong that stands in the host for the polygons without a shader. One
// serves every mesh of a geometry pass: it is made on first need (a failed creation is reported
// once and not tried again in the pass) and deleted from the host when the pass releases it.
class RyvVurnDefaultShader
{
public:
    RyvVurnDefaultShader() = default;
    // Releases the shader still held.
    ~RyvVurnDefaultShader();
    RyvVurnDefaultShader(const RyvVurnDefaultShader&) = delete;
    RyvVurnDefaultShader& operator=(const RyvVurnDefaultShader&) = delete;

    // The shader, made in the host on the first call; a null object when the host cannot make it.
    MObject Get();
    // Deletes the shader from the host by the name the host gave it (a user's own
    // "Default_Material" is left alone); the next Get makes a new one.
    void Release();

private:
    MObject mShader;
    bool mTried = false;
};

#endif
