#pragma once
// A message folder in a throwaway directory, the recorders, and one CadroMsg on that folder.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "CadroMsg.h"
#include "TestKit.h"

namespace cadro::testing {

class CadroMsgTest : public ::testing::Test {
protected:
  CadroMsgTest() { std::filesystem::create_directory(folder); }

  std::string FileOf(const std::string& id) const { return folder + "/" + id + ".911"; }
  void Plant(const std::string& id, const std::string& bytes) const { WriteFileBytes(FileOf(id), bytes); }

  // A record with a distinct value in every field, so a field written under the wrong key or
  // left out shows.
  static void FillAll(CadroMsg& m, const std::string& type, const std::string& id = "KD7X26341") {
    m.Clear();
    m.SetTYP(type);
    m.SetEID(id);
    m.SetMID("KD7X-0001");
    m.SetISS("Fall from ladder");
    m.SetAD1("12 Main St");
    m.SetCTY("Springfield");
    m.SetAD2("Apt 4, cross Elm");
    m.SetLAS("-15");
    m.SetDTL("Caller on scene\\nladder 3 m");
    m.SetRPN("Ann Smith");
    m.SetRPA("14 Main St");
    m.SetRPP("555-0101");
    m.SetAGE("67");
    m.SetGDR("F");
    m.SetCON(1);
    m.SetBRE(-1);
    m.SetPIN("No");
    m.SetPDE("Tall, red coat");
    m.SetWEA("Knife");
    m.SetDOT("North on Elm");
    m.SetVDE("Blue sedan");
    m.SetVDP("ABC123");
    m.SetVDS("OR");
    m.SetUID("KD7X");
    m.SetULO("EOC West");
    m.SetAST(6);
    m.SetADT("261207");
    m.SetATM("0830");
  }

  // Every property, for comparing whole records.
  static std::vector<std::string> Snapshot(const CadroMsg& m) {
    return {m.TYP(),
            m.EID(),
            m.MID(),
            m.ISS(),
            m.AD1(),
            m.CTY(),
            m.AD2(),
            m.LAS(),
            m.DTL(),
            m.RPN(),
            m.RPA(),
            m.RPP(),
            std::to_string(m.RPC()),
            m.AGE(),
            m.GDR(),
            std::to_string(m.CON()),
            std::to_string(m.BRE()),
            m.PIN(),
            m.PDE(),
            m.WEA(),
            m.DOT(),
            m.VDE(),
            m.VDP(),
            m.VDS(),
            m.UID(),
            m.ULO(),
            std::to_string(m.AST()),
            m.ADT(),
            m.ATM()};
  }

  TempDir dir;
  std::string folder = dir.File("msg.d");
  TestServices ts;
  CadroMsg msg{folder, ts.services};
};

}  // namespace cadro::testing
