#ifndef RYVKIT_TESTS_SUPPORT_KSCENECOMPARER_H
#define RYVKIT_TESTS_SUPPORT_KSCENECOMPARER_H

#include <string>

class KFCurve;
class KFCurveNode;
class KObject;
class KRyvLayerContainer;
class KRyvNode;
class KRyvNodeLimits;
class KRyvScene;
class KRyvTakeNodeContainer;

// A deep, format-neutral comparison of two scenes for the format tests: node trees (names,
// attributes, every property, transforms), geometry (control points, polygons, layers and
// their elements, shapes, links), materials, textures, videos, poses, user properties, takes
// with their channel trees and every key field, export marks, property connections between
// nodes, skin and cluster deformers, characters with their inputs and character poses (their
// own scenes compared in turn). Numbers compare within a tolerance, so a
// format that prints positions to a precision can still pass; names compare exactly. What a
// format cannot carry is switched off through the options.
class KSceneComparer
{
public:
    struct Options
    {
        // Largest difference of two numbers taken as equal (absolute, or relative to the larger).
        double mTolerance = 1e-12;
        bool mCompareProperties = true;
        bool mCompareTakes = true;
        bool mCompareMaterials = true;
        bool mCompareTextures = true;
        bool mCompareLinks = true;
        bool mComparePoses = true;
        bool mCompareCharacters = true;
        bool mCompareDeformers = true;
    };

    KSceneComparer() = default;
    explicit KSceneComparer(const Options& pOptions) : mOptions(pOptions) {}

    // The first difference as a line of text ("Model::Arm: property Lcl Translation: 1 vs
    // 2"); empty when none is found.
    std::string Compare(KRyvScene& pExpected, KRyvScene& pActual);
    std::string CompareNodes(KRyvNode& pExpected, KRyvNode& pActual);
    std::string CompareLayerContainers(const KRyvLayerContainer& pExpected,
                                       const KRyvLayerContainer& pActual);
    std::string CompareCurves(const KFCurve& pExpected, const KFCurve& pActual);
    std::string CompareTakes(KRyvTakeNodeContainer& pExpected, KRyvTakeNodeContainer& pActual);
    std::string CompareProperties(KObject* pExpected, KObject* pActual);

    bool Near(double pExpected, double pActual) const;

private:
    std::string CompareOneNode(KRyvNode& pExpected, KRyvNode& pActual);
    std::string CompareLimits(const KRyvNodeLimits& pExpected, const KRyvNodeLimits& pActual);
    std::string CompareAttributes(KRyvNode& pExpected, KRyvNode& pActual);
    std::string CompareGeometryKinds(KRyvNode& pExpected, KRyvNode& pActual);
    std::string CompareChannels(const KFCurveNode& pExpected, const KFCurveNode& pActual,
                                const std::string& pPath);
    std::string CompareObjectLists(KRyvScene& pExpected, KRyvScene& pActual);
    std::string CompareCharacters(KRyvScene& pExpected, KRyvScene& pActual);
    std::string CompareCharacterPoses(KRyvScene& pExpected, KRyvScene& pActual);
    std::string CompareDeformers(KRyvScene& pExpected, KRyvScene& pActual);
    std::string CompareConnections(KRyvNode& pExpected, KRyvNode& pActual);

    Options mOptions;
};

#endif
