#ifndef RYVKIT_FORMATS_GEOMETRY_3DS_K3DSSPECULAR_H
#define RYVKIT_FORMATS_GEOMETRY_3DS_K3DSSPECULAR_H

#include "core/KColor.h"
#include "formats/geometry/3ds/toolkit/Primitives3ds.h"

class KRyvMaterial;

// The specular of a 3DS material, a colour and a strength (0xA030, 0xA041), and the kit's one
// specular colour: the colour x strength x 4/3, limited to [0, 1]. The product alone cannot give
// the two back, so the reader keeps them on the material as the user properties kColor and
// kStrength, and the writer writes them again while they still give the kit's colour. A kit
// colour they do not give (none kept, or changed since) is written as the lowest whole percent
// that reaches its brightest channel and the colour that, at that strength, gives it.
class K3dsSpecular
{
public:
    static constexpr const char* kColor = "SpecularColor";
    static constexpr const char* kStrength = "ShininessStrength";

    K3dsSpecular() = default;
    K3dsSpecular(const Color3ds& pColor, float pStrength) : mColor(pColor), mStrength(pStrength) {}

    // The kit's colour of this specular.
    KColor ToKit() const;
    // Sets the material's specular colour and keeps the file's colour and strength on it.
    void Keep(KRyvMaterial& ioMaterial) const;
    // What to write for the material (black at 0 for null).
    static K3dsSpecular Of(const KRyvMaterial* pMaterial);

    Color3ds mColor{0.0f, 0.0f, 0.0f};
    float mStrength = 0.0f;

private:
    // The kept colour and strength when the material has both; false otherwise.
    static bool Kept(const KRyvMaterial& pMaterial, K3dsSpecular& oKept);
    // The specular written for a kit colour of no kept values.
    static K3dsSpecular FromKit(const KColor& pColor);
};

#endif
