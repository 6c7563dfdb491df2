// The geometry writers' cost against the number of meshes: a scene of N one-triangle meshes
// written as OBJ and as DXF, for N = 1,000 (the floor) and 10,000. The writers compute the
// nodes' global transforms once per write, so groups/s stays the same at ten times the meshes
// (a cost per mesh that grows with the node count shows as a rate ten times lower).
#include "formats/geometry/dxf/KStreamOptionsDxf.h"
#include "formats/geometry/dxf/KWriterDxf.h"
#include "formats/geometry/obj/KStreamOptionsObj.h"
#include "formats/geometry/obj/KWriterObj.h"
#include "scene/KRyvNode.h"
#include "scene/KRyvObjectFactory.h"
#include "scene/KRyvScene.h"
#include "scene/objects/KRyvMesh.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

namespace {

void AddTriangles(KRyvObjectFactory& ioFactory, KRyvScene& ioScene, int pCount)
{
    for (int i = 0; i < pCount; ++i) {
        KRyvMesh* lMesh = ioFactory.CreateMesh();
        lMesh->InitControlPoints(3);
        for (int c = 0; c < 3; ++c) {
            lMesh->GetControlPoints()[c] =
                KVector4(i + (c == 1 ? 1.0 : 0.0), c == 2 ? 1.0 : 0.0, 0.0);
        }
        lMesh->BeginPolygon();
        for (int c = 0; c < 3; ++c) {
            lMesh->AddPolygon(c);
        }
        KRyvNode* lNode = ioFactory.CreateNode(("g" + std::to_string(i)).c_str());
        lNode->SetNodeAttribute(lMesh);
        lNode->SetLclTranslation(KVector4(0.0, i * 0.5, 0.0));
        ioScene.GetRootNode()->AddChild(lNode);
    }
}

template <class Writer, class Options>
void WriteGroups(benchmark::State& ioState, const char* pName)
{
    const int lCount = static_cast<int>(ioState.range(0));
    KRyvObjectFactory lFactory;
    KRyvScene lScene(&lFactory);
    AddTriangles(lFactory, lScene, lCount);
    const std::string lPath = (std::filesystem::temp_directory_path() / pName).string();
    for (auto _ : ioState) {
        Writer lWriter(&lFactory);
        Options lOptions;
        if (!lWriter.FileCreate(lPath.c_str()) || !lWriter.Write(&lScene, &lOptions)) {
            ioState.SkipWithError("write failed");
            break;
        }
    }
    std::filesystem::remove(lPath);
    ioState.counters["groups/s"] =
        benchmark::Counter(lCount, benchmark::Counter::kIsIterationInvariantRate);
}

void BM_ObjWriteGroups(benchmark::State& ioState)
{
    WriteGroups<KWriterObj, KStreamOptionsObj>(ioState, "ryvbench-groups.obj");
}

void BM_DxfWriteGroups(benchmark::State& ioState)
{
    WriteGroups<KWriterDxf, KStreamOptionsDxf>(ioState, "ryvbench-groups.dxf");
}

} // namespace

BENCHMARK(BM_ObjWriteGroups)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DxfWriteGroups)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
