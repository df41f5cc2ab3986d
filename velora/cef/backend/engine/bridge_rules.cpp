#include "bridge_rules.h"

#include <json/reader.h>
#include <json/writer.h>

#include <cmath>
#include <limits>
#include <memory>
#include <sstream>

namespace velora_engine {

const char kBridgeBindingName[] = "__veloraBridge";

namespace {

const char* KindName(BridgeProperty::Kind k) {
  switch (k) {
    case BridgeProperty::Kind::kFunction: return "f";
    case BridgeProperty::Kind::kGlobalAlias: return "g";
    default: return "v";
  }
}

std::string Compact(const Json::Value& v) {
  Json::StreamWriterBuilder b;
  b["indentation"] = "";
  b["emitUTF8"] = true;
  return Json::writeString(b, v);
}

// Arguments nest (arrays, objects); a page can build deep or cyclic data,
// which the wrapper cuts at this depth, and the reader refuses beyond it.
constexpr int kMaxDepth = 8;

bool ArgFromJson(const Json::Value& j, BridgeArg* out, int depth) {
  if (!j.isObject() || !j["t"].isString() || depth > kMaxDepth) return false;
  const std::string t = j["t"].asString();
  const Json::Value& v = j["v"];
  using K = BridgeArg::Kind;
  if (t == "u") { out->kind = K::kUndefined; return true; }
  if (t == "n") { out->kind = K::kNull; return true; }
  if (t == "b") {
    if (!v.isBool()) return false;
    out->kind = K::kBool; out->bool_value = v.asBool(); return true;
  }
  if (t == "i" || t == "ui" || t == "d" || t == "dt") {
    if (!v.isNumeric()) return false;
    const double d = v.asDouble();
    if (t == "i") {
      if (d != std::floor(d) || d < -2147483648.0 || d > 2147483647.0) return false;
      out->kind = K::kInt;
    } else if (t == "ui") {
      if (d != std::floor(d) || d < 0 || d > 4294967295.0) return false;
      out->kind = K::kUInt;
    } else {
      out->kind = t == "d" ? K::kDouble : K::kDate;
    }
    out->number = d;
    return true;
  }
  if (t == "dn") {  // NaN and the infinities, which JSON cannot carry
    if (!v.isString()) return false;
    const std::string s = v.asString();
    out->kind = K::kDouble;
    out->number = s == "Infinity" ? std::numeric_limits<double>::infinity()
                : s == "-Infinity" ? -std::numeric_limits<double>::infinity()
                : std::numeric_limits<double>::quiet_NaN();
    return true;
  }
  if (t == "s") {
    if (!v.isString()) return false;
    out->kind = K::kString; out->text = v.asString(); return true;
  }
  if (t == "f") {
    out->kind = K::kFunction; out->text = v.isString() ? v.asString() : ""; return true;
  }
  if (t == "a") {
    if (!v.isArray()) return false;
    out->kind = K::kArray;
    for (const auto& e : v) {
      BridgeArg a;
      if (!ArgFromJson(e, &a, depth + 1)) return false;
      out->items.push_back(std::move(a));
    }
    return true;
  }
  if (t == "o") {
    if (!v.isObject() && !v.isNull()) return false;
    out->kind = K::kObject;
    if (v.isObject()) {
      for (const auto& key : v.getMemberNames()) {
        BridgeArg a;
        if (!ArgFromJson(v[key], &a, depth + 1)) return false;
        out->keys.push_back(key);
        out->items.push_back(std::move(a));
      }
    }
    return true;
  }
  return false;
}

Json::Value ArgToJson(const BridgeArg& a) {
  using K = BridgeArg::Kind;
  Json::Value j(Json::objectValue);
  switch (a.kind) {
    case K::kUndefined: j["t"] = "u"; break;
    case K::kNull: j["t"] = "n"; break;
    case K::kBool: j["t"] = "b"; j["v"] = a.bool_value; break;
    case K::kInt: j["t"] = "i"; j["v"] = static_cast<Json::Int>(a.number); break;
    case K::kUInt: j["t"] = "ui"; j["v"] = static_cast<Json::UInt>(a.number); break;
    case K::kDouble:
      if (std::isfinite(a.number)) { j["t"] = "d"; j["v"] = a.number; }
      else { j["t"] = "dn"; j["v"] = std::isnan(a.number) ? "NaN" : a.number > 0 ? "Infinity" : "-Infinity"; }
      break;
    case K::kDate: j["t"] = "dt"; j["v"] = a.number; break;
    case K::kString: j["t"] = "s"; j["v"] = a.text; break;
    case K::kFunction: j["t"] = "f"; j["v"] = a.text; break;
    case K::kArray: {
      j["t"] = "a";
      Json::Value items(Json::arrayValue);
      for (const auto& e : a.items) items.append(ArgToJson(e));
      j["v"] = items;
      break;
    }
    case K::kObject: {
      j["t"] = "o";
      Json::Value members(Json::objectValue);
      for (size_t i = 0; i < a.items.size() && i < a.keys.size(); ++i)
        members[a.keys[i]] = ArgToJson(a.items[i]);
      j["v"] = members;
      break;
    }
  }
  return j;
}

}  // namespace

Json::Value BridgePropertiesToJson(const std::vector<BridgeProperty>& props) {
  Json::Value out(Json::arrayValue);
  for (const auto& p : props) {
    Json::Value j(Json::objectValue);
    j["n"] = p.name;
    j["k"] = KindName(p.kind);
    if (p.kind == BridgeProperty::Kind::kValue) j["v"] = p.value;
    out.append(j);
  }
  return out;
}

std::vector<BridgeProperty> BridgePropertiesFromJson(const Json::Value& json) {
  std::vector<BridgeProperty> out;
  if (!json.isArray()) return out;
  for (const auto& j : json) {
    if (!j.isObject() || !j["n"].isString() || !j["k"].isString()) continue;
    BridgeProperty p;
    p.name = j["n"].asString();
    const std::string k = j["k"].asString();
    if (k == "f") p.kind = BridgeProperty::Kind::kFunction;
    else if (k == "g") p.kind = BridgeProperty::Kind::kGlobalAlias;
    else if (k == "v") { p.kind = BridgeProperty::Kind::kValue; p.value = j["v"]; }
    else continue;
    out.push_back(std::move(p));
  }
  return out;
}

std::string BuildBridgeScript(const std::vector<BridgeProperty>& props) {
  // The encoder mirrors ArgFromJson: kinds as the renderer's values know
  // them, integers told apart from other numbers, nesting cut at kMaxDepth
  // and cycles written as undefined.
  std::ostringstream js;
  js << "(function(){"
        "var g=globalThis,b=g." << kBridgeBindingName << ";"
        "if(typeof b!=='function')return;"
        "function e(v,d,s){"
          "var t=typeof v;"
          "if(v===undefined)return{t:'u'};"
          "if(v===null)return{t:'n'};"
          "if(t==='boolean')return{t:'b',v:v};"
          "if(t==='number'){"
            "if((v|0)===v&&!(v===0&&1/v<0))return{t:'i',v:v};"
            "if(v>=0&&v<=4294967295&&Math.floor(v)===v)return{t:'ui',v:v};"
            "if(!isFinite(v))return{t:'dn',v:String(v)};"
            "return{t:'d',v:v};}"
          "if(t==='string')return{t:'s',v:v};"
          "if(t==='function')return{t:'f',v:v.name||''};"
          "if(t!=='object')return{t:'u'};"
          "if(v instanceof Date)return{t:'dt',v:v.getTime()};"
          "if(d>=" << kMaxDepth << "||s.indexOf(v)>=0)return{t:'u'};"
          "s.push(v);var r;"
          "if(Array.isArray(v)){r=[];for(var i=0;i<v.length;i++)r.push(e(v[i],d+1,s));r={t:'a',v:r};}"
          "else{var o={},k=Object.keys(v);for(var j=0;j<k.length;j++){try{o[k[j]]=e(v[k[j]],d+1,s);}catch(x){o[k[j]]={t:'u'};}}r={t:'o',v:o};}"
          "s.pop();return r;}"
        "function m(n){return function(){var a=[];"
          "for(var i=0;i<arguments.length;i++)a.push(e(arguments[i],0,[]));"
          "b(JSON.stringify({n:n,a:a}));};}";
  for (const auto& p : props) {
    const std::string name = Compact(Json::Value(p.name));
    switch (p.kind) {
      case BridgeProperty::Kind::kFunction:
        js << "try{g[" << name << "]=m(" << name << ");}catch(x){}";
        break;
      case BridgeProperty::Kind::kGlobalAlias:
        js << "try{g[" << name << "]=g;}catch(x){}";
        break;
      case BridgeProperty::Kind::kValue:
        js << "try{g[" << name << "]=" << Compact(p.value) << ";}catch(x){}";
        break;
    }
  }
  js << "})();";
  return js.str();
}

bool ParseBridgeCall(const std::string& payload, BridgeCall* call, std::string* error) {
  Json::CharReaderBuilder b;
  b["collectComments"] = false;
  b["stackLimit"] = kMaxDepth * 3 + 10;
  std::unique_ptr<Json::CharReader> reader(b.newCharReader());
  Json::Value root;
  std::string errs;
  if (!reader->parse(payload.data(), payload.data() + payload.size(), &root, &errs)) {
    if (error) *error = "not JSON: " + errs;
    return false;
  }
  if (!root.isObject() || !root["n"].isString() || !root["a"].isArray()) {
    if (error) *error = "not a bridge call";
    return false;
  }
  call->name = root["n"].asString();
  call->args.clear();
  if (!BridgeArgsFromJson(root["a"], &call->args)) {
    if (error) *error = "bad argument";
    return false;
  }
  return true;
}

Json::Value BridgeArgsToJson(const std::vector<BridgeArg>& args) {
  Json::Value out(Json::arrayValue);
  for (const auto& a : args) out.append(ArgToJson(a));
  return out;
}

bool BridgeArgsFromJson(const Json::Value& json, std::vector<BridgeArg>* args) {
  if (!json.isArray()) return false;
  args->clear();
  args->reserve(json.size());
  for (const auto& j : json) {
    BridgeArg a;
    if (!ArgFromJson(j, &a, 0)) return false;
    args->push_back(std::move(a));
  }
  return true;
}

}  // namespace velora_engine
