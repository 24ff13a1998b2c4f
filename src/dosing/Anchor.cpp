// dosing
