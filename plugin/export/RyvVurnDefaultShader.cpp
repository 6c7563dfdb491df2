#include "plugin/export/RyvVurnDefaultShader.h"

#include "platform/vurn/MFnShaders.h"
#include "platform/vurn/MGlobal.h"
#include "plugin/export/RyvVurnGeometryMessages.h"

namespace G = RyvVurnGeometryMessages;

namespace {
constexpr float kDefaultCosinePower = 3.0f;
constexpr float kDefaultSpecular = 0.3f;
constexpr float kDefaultColor = 0.5f;
constexpr float kDefaultAmbient = 0.4f;
} // namespace

RyvVurnDefaultShader::~RyvVurnDefaultShader()
{
    Release();
}

MObject RyvVurnDefaultShader::Get()
{
    if (mTried) {
        return mShader;
    }
    mTried = true;
    MStatus lStatus;
    MFnPhongShader lPhong;
    const MObject lShader = lPhong.create(true, &lStatus);
    if (!lStatus) {
        lStatus.perror(G::kNoDefaultShader);
        return MObject();
    }
    lPhong.setName(G::kDefaultMaterial);
    lPhong.setCosPower(kDefaultCosinePower);
    lPhong.setSpecularColor(MColor(kDefaultSpecular, kDefaultSpecular, kDefaultSpecular, 1.0f));
    lPhong.setColor(MColor(kDefaultColor, kDefaultColor, kDefaultColor, 1.0f));
    lPhong.setTransparency(MColor(0.0f, 0.0f, 0.0f, 1.0f));
    lPhong.setAmbientColor(MColor(kDefaultAmbient, kDefaultAmbient, kDefaultAmbient, 1.0f));
    mShader = lShader;
    return mShader;
}

void RyvVurnDefaultShader::Release()
{
    if (!mShader.isNull()) {
        MGlobal::executeCommand("delete " + MFnDependencyNode(mShader).name());
    }
    mShader = MObject();
    mTried = false;
}
